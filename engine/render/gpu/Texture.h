// Texture.h - textures: loaded from image files, created empty (dynamic or
// render targets), or wrapping the device's back buffer.
//
// Texture is pooled ("GLTexture", grow count 10) and takes part in device
// loss and reset: managed textures (loaded, static) keep their image, the
// others are re-created empty. A name beginning with "!Cube!" loads a cube
// texture and "!Volume!" a volume texture from the rest of the name. Images
// are read through the package file system and decoded by Image.h (PNG, TGA,
// BMP, JPEG, DDS). TextureResource shares one texture per name through the
// resource manager ("TextureResource").
// Depends on: GraphicsDevice.h, Image.h, Formats.h, VideoManager.h,
// tier0/ObjectPool, tier0/Ref, tier0/Resource*, tier0/FileSystem, base/Log.
#pragma once

#include "render/device/GraphicsDevice.h"
#include "tier0/ObjectPool.h"
#include "tier0/Ref.h"
#include "tier0/Resource.h"

#include <cstdint>
#include <string>

struct Image;

enum TextureType : uint32_t { TEXTYPE_2D = 1, TEXTYPE_CUBE = 2, TEXTYPE_VOLUME = 3 };

class Texture : public PooledObject {
  KAZ_POOLED_CLASS(Texture)

 public:
  // face: 1..6 for cube textures (see GetCubeFaceName), ignored otherwise.
  virtual bool Lock(uint32_t level, void** bits, uint32_t* pitch, uint32_t face);
  virtual bool Unlock();
  virtual bool IsLocked() const { return m_locked; }
  virtual uint32_t GetType() const { return m_type; }
  virtual uint32_t GetFormat() const { return m_format; }
  virtual uint32_t GetWidth() const { return m_width; }
  virtual uint32_t GetHeight() const { return m_height; }
  virtual bool IsDynamic() const { return m_dynamic; }
  virtual bool IsRenderTarget() const { return m_renderTarget; }
  virtual bool ActivateAsRenderTarget(uint32_t face);
  // Writes level 0 (face 0 of a cube) as a BMP file at a native path.
  virtual bool SaveToFile(const char* fileName);
  virtual bool Load(const char* fileName);
  // Makes the images of kPlaceholderTextureName and kBlankTextureName.
  bool LoadPlaceholder();
  bool LoadBlank();
  // Video textures advance their playback here.
  virtual GTexture* GetDeviceTexture() { return m_texture; }

  uint32_t GetLevelCount() const { return m_levels; }
  bool IsBackBuffer() const { return m_isBackBuffer; }
  // The surface to render into (one reference for the caller), or null.
  GSurface* GetRenderTargetSurface(uint32_t face);
  bool CreateFromBackBuffer();
  // Creation with the given values (also used again after a reset).
  bool Create(uint32_t width, uint32_t height, uint32_t type, uint32_t format, bool dynamic,
              bool renderTarget);
  // From a decoded image (the device-independent half of Load).
  bool CreateFromImage(Image& image, std::string* reason);
  // Device hooks.
  virtual void OnDeviceLost();
  virtual void OnDeviceReset();
  void ReleaseDeviceObjects();

 protected:
  Texture() = default;
  ~Texture() override;

  uint32_t m_type = TEXTYPE_2D;
  uint32_t m_format = 0;
  uint32_t m_width = 0, m_height = 0;
  uint32_t m_levels = 0;
  bool m_dynamic = false, m_renderTarget = false, m_locked = false;
  uint32_t m_lockedLevel = 0, m_lockedFace = 0;
  GPool m_pool = GPOOL_MANAGED;
  GTexture* m_texture = nullptr;
  GSurface* m_backBufferSurface = nullptr;
  bool m_isBackBuffer = false;
};

Texture* CreateTexture(uint32_t width, uint32_t height, uint32_t type, uint32_t format,
                       bool dynamic, bool renderTarget);
// Loads by file name; an "avi" extension makes a video texture (VideoTexture.h).
Texture* LoadTexture(const char* fileName);

class TextureResource : public Resource {
 public:
  explicit TextureResource(ResourceManager* manager) : Resource(manager) {}
  ~TextureResource() override;
  bool Load(bool initial) override;
  void Unload(bool final) override;
  Texture* GetTexture() const { return m_texture.Get(); }

 private:
  Ref<Texture> m_texture;
};

// The texture resource shown where a texture could not be loaded: a magenta
// and black checker that no content mistakes for its own, so that a missing
// file is seen on screen as well as in the log.
constexpr const char* kPlaceholderTextureName = "!Placeholder!";
// The texture resource a material's effect samples where the material names
// none: plain white, so an untextured mesh shows its lighting.
constexpr const char* kBlankTextureName = "!Blank!";

// The shared texture resource of that name, loaded on first use, with one
// more reference; null when it cannot be loaded. A file that cannot be
// loaded is reported once (its name, the reason).
TextureResource* GetTextureResource(const char* name);
ResourceManager& GetTextureResourceManager();

// Reads a whole file of the package file system; false with a reason
// ("could not open file", "failed to read file into memory").
bool ReadPackageFile(const std::string& name, std::string* data, std::string* reason);
