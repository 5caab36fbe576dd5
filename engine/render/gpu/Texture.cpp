// Texture.cpp - textures: loading, creation, locks, render targets and texture resources.
#include "render/gpu/Texture.h"

#include <algorithm>
#include <cstring>

#include "base/Log.h"
#include "base/StringUtil.h"
#include "render/device/Formats.h"
#include "render/device/Image.h"
#include "render/gpu/VideoManager.h"
#include "render/gpu/VideoTexture.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"

KAZ_DEFINE_POOL_NAMED(Texture, 10, "GLTexture");

namespace {

ResourceManager g_textureManager("TextureResource");  // built at static initialisation
ResourceManager& TextureManager() {
  return g_textureManager;
}

// Image files larger than this are refused before reading.
constexpr uint32_t kMaxTextureFileSize = 256u << 20;

}  // namespace

bool ReadPackageFile(const std::string& name, std::string* data, std::string* reason) {
  FileSystem::File file;
  if (!file.OpenRead(name)) {
    *reason = "could not open file";
    return false;
  }
  uint32_t length = file.GetLength();
  if (length > kMaxTextureFileSize) {
    *reason = "failed to read file into memory";
    return false;
  }
  data->resize(length);
  if (length && file.Read(data->data(), length) != length) {
    *reason = "failed to read file into memory";
    return false;
  }
  return true;
}

Texture::~Texture() {
  ReleaseDeviceObjects();
}

void Texture::ReleaseDeviceObjects() {
  SafeRelease(m_texture);
  SafeRelease(m_backBufferSurface);
  m_locked = false;
}

bool Texture::Create(uint32_t width, uint32_t height, uint32_t type, uint32_t format, bool dynamic,
                     bool renderTarget) {
  VideoManager* vm = GetVideoManager();
  const char* reason = nullptr;
  GResult r = GERR_INVALIDCALL;
  SafeRelease(m_texture);
  if (!vm || !vm->GetDevice()) {
    reason = "video device not started";
  } else {
    uint32_t levels = renderTarget ? 1 : 0;
    uint32_t usage = (dynamic ? GUSAGE_DYNAMIC : 0) | (renderTarget ? GUSAGE_RENDERTARGET : 0);
    m_pool = (!dynamic && !renderTarget) ? GPOOL_MANAGED : GPOOL_DEFAULT;
    Format f = ToDeviceFormat(format, renderTarget);
    if (type == TEXTYPE_2D) {
      r = vm->GetDevice()->CreateTexture(GTEXTYPE_2D, width, height, 1, levels, usage, f, m_pool,
                                         &m_texture);
      if (GFailed(r)) reason = "GLCreateTexture failed";
    } else if (type == TEXTYPE_CUBE) {
      r = vm->GetDevice()->CreateTexture(GTEXTYPE_CUBE, width, width, 1, levels, usage, f, m_pool,
                                         &m_texture);
      if (GFailed(r)) reason = "GLCreateCubeTexture failed";
    } else {
      reason = "bad texture type requested";
    }
  }
  if (reason) {
    SafeRelease(m_texture);
    LogDetail("Failed to create %dx%d texture. (%s - %s)", int(width), int(height), GetErrorName(r),
              reason);
    return false;
  }
  GSurfaceDesc desc;
  m_texture->GetLevelDesc(0, &desc);
  m_width = desc.width;
  m_height = desc.height;
  m_format = FromDeviceFormat(desc.format);
  m_type = type;
  m_levels = m_texture->GetLevelCount();
  m_dynamic = dynamic;
  m_renderTarget = renderTarget;
  m_locked = false;
  return true;
}

bool Texture::CreateFromImage(Image& image, std::string* reason) {
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) {
    *reason = "video device not started";
    return false;
  }
  GDevice* dev = vm->GetDevice();
  // A full mip chain for 2D and cube textures, as the image loaders make one.
  if (image.type != GTEXTYPE_VOLUME) GenerateMipChain(&image, 0);
  GTexture* tex = nullptr;
  GResult r = dev->CreateTexture(image.type, image.width, image.height, image.depth, image.levels,
                                 0, image.format, GPOOL_MANAGED, &tex);
  if (GFailed(r)) {
    *reason = "error reading file format";
    return false;
  }
  uint32_t levels = std::min(tex->GetLevelCount(), image.levels);
  for (uint32_t face = 0; face < image.faces; ++face)
    for (uint32_t l = 0; l < levels; ++l) {
      const std::vector<uint8_t>& src = image.Level(face, l);
      void* bits = nullptr;
      size_t capacity = 0;
      if (image.type == GTEXTYPE_VOLUME) {
        GLockedBox box;
        if (GFailed(tex->LockBox(l, &box, 0))) continue;
        bits = box.bits;
        capacity = size_t(box.slicePitch) * tex->GetDepth(l);
      } else {
        GLockedRect rect;
        if (GFailed(tex->LockRect(face, l, &rect, 0))) continue;
        bits = rect.bits;
        GSurfaceDesc d;
        tex->GetLevelDesc(l, &d);
        capacity = GetFormatLevelSize(image.format, d.width, d.height);
      }
      std::memcpy(bits, src.data(), std::min(capacity, src.size()));
      if (image.type == GTEXTYPE_VOLUME)
        tex->UnlockBox(l);
      else
        tex->UnlockRect(face, l);
    }
  ReleaseDeviceObjects();
  m_texture = tex;
  m_pool = GPOOL_MANAGED;
  if (image.type != GTEXTYPE_VOLUME) {
    m_width = image.width;
    m_height = image.height;
    m_format = FromDeviceFormat(image.format);
  }
  m_type = image.type;
  m_levels = tex->GetLevelCount();
  m_dynamic = m_renderTarget = m_locked = false;
  return true;
}

bool Texture::Load(const char* fileName) {
  std::string name = fileName ? fileName : "";
  GTextureType want = GTEXTYPE_2D;
  std::string file = name;
  if (name.compare(0, 6, "!Cube!") == 0) {
    want = GTEXTYPE_CUBE;
    file = name.substr(6);
  } else if (name.compare(0, 8, "!Volume!") == 0) {
    want = GTEXTYPE_VOLUME;
    file = name.substr(8);
  }
  std::string reason;
  GResult r = G_OK;
  std::string data;
  Image image;
  VideoManager* vm = GetVideoManager();
  bool ok = false;
  if (!vm || !vm->GetDevice()) {
    reason = "video device not started";
  } else if (!ReadPackageFile(file, &data, &reason)) {
    r = GERR_NOTFOUND;
  } else {
    std::string why;
    if (!DecodeImage(data.data(), data.size(), &image, &why)) {
      reason = "error reading file format: " + why;
      r = GERR_INVALIDDATA;
    } else {
      if (want == GTEXTYPE_VOLUME && image.type == GTEXTYPE_2D) {
        image.type = GTEXTYPE_VOLUME;  // a flat image is a volume one slice deep
      }
      if (image.type != want) {
        reason = "error reading file format";
        r = GERR_INVALIDDATA;
      } else {
        ok = CreateFromImage(image, &reason);
        if (!ok) r = GERR_INVALIDDATA;
      }
    }
  }
  if (!ok) {
    ReleaseDeviceObjects();
    // Every material that names the file asks again: one line is enough.
    if (FirstReport("texture " + name + " " + reason))
      LogError("Failed to load texture '%s' (%s - %s)", name.c_str(), GetErrorName(r),
               reason.c_str());
  }
  return ok;
}

namespace {
// An edge x edge image in A8R8G8B8 whose texels colour(x, y) gives as B, G, R, A.
template <class Colour>
Image MakeImage(uint32_t edge, Colour colour) {
  Image image;
  image.type = GTEXTYPE_2D;
  image.format = FMT_A8R8G8B8;
  image.width = image.height = edge;
  image.levels = 1;
  std::vector<uint8_t>& pixels = image.data.emplace_back(size_t(edge) * edge * 4);
  for (uint32_t y = 0; y < edge; ++y)
    for (uint32_t x = 0; x < edge; ++x) colour(x, y, &pixels[(size_t(y) * edge + x) * 4]);
  return image;
}
}  // namespace

bool Texture::LoadPlaceholder() {
  constexpr uint32_t kCell = 8;
  Image image = MakeImage(64, [](uint32_t x, uint32_t y, uint8_t* p) {
    const uint8_t on = ((x / kCell) + (y / kCell)) % 2 == 0 ? 255 : 0;
    p[0] = on, p[1] = 0, p[2] = on, p[3] = 255;  // magenta or black
  });
  std::string reason;
  if (CreateFromImage(image, &reason)) return true;
  ReleaseDeviceObjects();
  return false;
}

bool Texture::LoadBlank() {
  Image image =
      MakeImage(4, [](uint32_t, uint32_t, uint8_t* p) { p[0] = p[1] = p[2] = p[3] = 255; });
  std::string reason;
  if (CreateFromImage(image, &reason)) return true;
  ReleaseDeviceObjects();
  return false;
}

bool Texture::Lock(uint32_t level, void** bits, uint32_t* pitch, uint32_t face) {
  if (!m_texture || !bits || !pitch) return false;
  if (m_locked) {
    LogDetail("GLTexture::Lock: Tried to double lock texture.");
    return false;
  }
  uint32_t flags = m_dynamic ? GLOCK_DISCARD : 0;
  GLockedRect rect;
  if (m_type == TEXTYPE_2D) {
    GResult r = m_texture->LockRect(0, level, &rect, flags);
    if (GFailed(r)) {
      LogDetail("GLTexture::Lock: Failed to lock level %d of a 2D texture (%s: %s).\n", int(level),
                GetErrorName(r), GetErrorDescription(r));
      return false;
    }
  } else if (m_type == TEXTYPE_CUBE) {
    GResult r = m_texture->LockRect(GetDeviceCubeFace(face), level, &rect, flags);
    if (GFailed(r)) {
      LogDetail(
          "GLTexture::Lock: Failed to lock level %d of surface %s of a cube texture (%s: %s).\n",
          int(level), GetCubeFaceName(face), GetErrorName(r), GetErrorDescription(r));
      return false;
    }
  } else {
    return false;  // volume textures are not lockable here
  }
  *bits = rect.bits;
  *pitch = uint32_t(rect.pitch);
  m_lockedLevel = level;
  m_lockedFace = face;
  m_locked = true;
  return true;
}

bool Texture::Unlock() {
  if (!m_texture) return false;
  if (!m_locked) {
    LogDetail("GLTexture::Unlock: Tried to double unlock texture.\n");
    return false;
  }
  GResult r = GERR_INVALIDCALL;
  if (m_type == TEXTYPE_2D)
    r = m_texture->UnlockRect(0, m_lockedLevel);
  else if (m_type == TEXTYPE_CUBE)
    r = m_texture->UnlockRect(GetDeviceCubeFace(m_lockedFace), m_lockedLevel);
  if (GFailed(r)) {
    LogDetail("GLTexture::Unlock: Failed to unlock texture (%s: %s).\n", GetErrorName(r),
              GetErrorDescription(r));
    return false;
  }
  m_locked = false;
  return true;
}

GSurface* Texture::GetRenderTargetSurface(uint32_t face) {
  if (m_isBackBuffer) {
    if (m_backBufferSurface) m_backBufferSurface->AddRef();
    return m_backBufferSurface;
  }
  if (!m_texture) return nullptr;
  GSurface* s = nullptr;
  GResult r = GERR_INVALIDCALL;
  if (m_type == TEXTYPE_2D)
    r = m_texture->GetSurfaceLevel(0, 0, &s);
  else if (m_type == TEXTYPE_CUBE)
    r = m_texture->GetSurfaceLevel(GetDeviceCubeFace(face), 0, &s);
  else
    return nullptr;
  if (GFailed(r)) {
    LogDetail("GLTexture::GetGLRenderTargetSurface: GetSurfaceLevel failed (%s)", GetErrorName(r));
    return nullptr;
  }
  return s;
}

bool Texture::ActivateAsRenderTarget(uint32_t face) {
  if ((!m_texture && !m_isBackBuffer) || !m_renderTarget) return false;
  VideoManager* vm = GetVideoManager();
  return vm && vm->ActivateRenderTarget(this, face);
}

bool Texture::CreateFromBackBuffer() {
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) return false;
  SafeRelease(m_backBufferSurface);
  GSurface* s = nullptr;
  if (GFailed(vm->GetDevice()->GetBackBuffer(0, &s))) return false;
  GSurfaceDesc desc;
  if (GFailed(s->GetDesc(&desc))) {
    s->Release();
    return false;
  }
  m_backBufferSurface = s;
  m_type = TEXTYPE_2D;
  m_width = desc.width;
  m_height = desc.height;
  m_format = FromDeviceFormat(desc.format);
  m_levels = 1;
  m_renderTarget = m_isBackBuffer = true;
  m_pool = GPOOL_MANAGED;
  m_dynamic = m_locked = false;
  return true;
}

bool Texture::SaveToFile(const char* fileName) {
  VideoManager* vm = GetVideoManager();
  if ((!m_texture && !m_backBufferSurface) || !vm || !vm->GetDevice() || !fileName) return false;
  GDevice* dev = vm->GetDevice();
  std::vector<uint8_t> bgra;
  uint32_t w = 0, h = 0;
  std::string reason = "unsupported format";
  bool ok = false;
  if (m_renderTarget) {
    GSurface* rt = GetRenderTargetSurface(1);
    GSurface* copy = nullptr;
    GSurfaceDesc d;
    if (rt && GSucceeded(rt->GetDesc(&d)) &&
        GSucceeded(dev->CreateOffscreenPlainSurface(d.width, d.height, FMT_A8R8G8B8, &copy)) &&
        GSucceeded(dev->GetRenderTargetData(rt, copy))) {
      GLockedRect lr;
      if (GSucceeded(copy->LockRect(&lr, GLOCK_READONLY))) {
        w = d.width;
        h = d.height;
        ok = ConvertToBGRA(FMT_A8R8G8B8, static_cast<const uint8_t*>(lr.bits), uint32_t(lr.pitch),
                           w, h, &bgra);
        copy->UnlockRect();
      }
    } else {
      reason = "cannot read the render target";
    }
    SafeRelease(copy);
    SafeRelease(rt);
  } else if (m_type != TEXTYPE_VOLUME) {
    GSurfaceDesc d;
    GLockedRect lr;
    if (GSucceeded(m_texture->GetLevelDesc(0, &d)) &&
        GSucceeded(m_texture->LockRect(0, 0, &lr, GLOCK_READONLY))) {
      w = d.width;
      h = d.height;
      ok = ConvertToBGRA(d.format, static_cast<const uint8_t*>(lr.bits), uint32_t(lr.pitch), w, h,
                         &bgra);
      m_texture->UnlockRect(0, 0);
    } else {
      reason = "cannot lock the texture";
    }
  }
  if (ok) ok = WriteBMPFile(fileName, bgra.data(), w, h, w * 4, &reason);
  if (!ok) LogError("Failed to write texture to %s (%s).", fileName, reason.c_str());
  return ok;
}

void Texture::OnDeviceLost() {
  if (m_isBackBuffer)
    SafeRelease(m_backBufferSurface);
  else if (m_pool != GPOOL_MANAGED) {
    SafeRelease(m_texture);
    m_locked = false;
  }
}

void Texture::OnDeviceReset() {
  if (m_isBackBuffer)
    CreateFromBackBuffer();
  else if (m_pool != GPOOL_MANAGED && !m_texture)
    Create(m_width, m_height, m_type, m_format, m_dynamic, m_renderTarget);
}

Texture* CreateTexture(uint32_t width, uint32_t height, uint32_t type, uint32_t format,
                       bool dynamic, bool renderTarget) {
  Texture* t = Texture::Create();
  if (!t) return nullptr;
  if (!t->Create(width, height, type, format, dynamic, renderTarget)) {
    t->Release();
    return nullptr;
  }
  return t;
}

Texture* LoadTexture(const char* fileName) {
  if (!fileName) return nullptr;
  const char* dot = std::strrchr(fileName, '.');
  if (dot && EqualsNoCase(dot + 1, "avi")) return LoadVideoTexture(fileName);
  Texture* t = Texture::Create();
  if (!t) return nullptr;
  if (!t->Load(fileName)) {
    t->Release();
    return nullptr;
  }
  return t;
}

// ---------------------------------------------------------------------------

TextureResource::~TextureResource() = default;

bool TextureResource::Load(bool) {
  const bool placeholder = GetName() == kPlaceholderTextureName;
  if (placeholder || GetName() == kBlankTextureName) {
    m_texture = Ref<Texture>::Adopt(Texture::Create());
    if (m_texture && !(placeholder ? m_texture->LoadPlaceholder() : m_texture->LoadBlank()))
      m_texture.Reset();
  } else {
    m_texture = Ref<Texture>::Adopt(LoadTexture(GetName().c_str()));
  }
  return bool(m_texture);
}

void TextureResource::Unload(bool) {
  m_texture.Reset();
}

ResourceManager& GetTextureResourceManager() {
  return TextureManager();
}

TextureResource* GetTextureResource(const char* name) {
  if (!name) return nullptr;
  return TextureManager().GetOrLoad<TextureResource>(name);
}
