// Overlay2D.cpp - screen-space quads and bitmap text; see Overlay2D.h.
#include "render/overlay/Overlay2D.h"

#include <algorithm>
#include <cstring>

#include "base/Log.h"
#include "render/device/Formats.h"
#include "render/gpu/Font.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VertexFormat.h"

namespace {

template <class T>
void Drop(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

Overlay2D::~Overlay2D() {
  Release();
}

bool Overlay2D::Init() {
  Release();
  m_effect = LoadRenderEffect(k2DEffectFile);
  if (!m_effect) {
    LogError("Failed to load render effect for 2D overlays!");
    return false;
  }
  m_textured = m_effect->GetTechniqueByName("Textured");
  m_untextured = m_effect->GetTechniqueByName("Untextured");
  m_font = m_effect->GetTechniqueByName("Font");
  if (!m_textured || !m_untextured || !m_font) {
    LogError("2DQuads.fx does not contain techniques Textured, Untextured, and Font!");
    Release();
    return false;
  }
  if (!m_effect->ValidateTechnique(m_textured) || !m_effect->ValidateTechnique(m_untextured) ||
      !m_effect->ValidateTechnique(m_font)) {
    LogError("2DQuads.fx techniques do not validate on this hardware!.");
    Release();
    return false;
  }
  m_texture0 = m_effect->GetParameterBySemantic("TEXTURE0");
  m_texture1 = m_effect->GetParameterBySemantic("TEXTURE1");
  m_proj2D = m_effect->GetParameterBySemantic("PROJ2DMATRIX");
  m_identity = m_effect->GetParameterBySemantic("IDENTITYMATRIX");
  m_format = CreateVertexFormat();
  if (m_format &&
      (!m_format->AddField(VFT_FLOAT3, VFU_POSITION) || !m_format->AddField(VFT_COLOR, VFU_COLOR) ||
       !m_format->AddField(VFT_FLOAT2, VFU_TEXCOORD) || !m_format->GetDeviceDeclaration()))
    Drop(m_format);
  if (m_format) m_buffer = CreateVertexBuffer(sizeof(Vertex2D), k2DVertexCount, true);
  if (!m_format || !m_buffer) {
    LogError("Failed to create vertex format for 2D overlays!");
    Release();
    return false;
  }
  return true;
}

void Overlay2D::Release() {
  if (m_mode != Mode2D_Idle && m_current) m_current->End();
  m_mode = Mode2D_Idle;
  m_count = 0;
  Drop(m_current);
  Drop(m_boundTexture);
  Drop(m_boundFont);
  Drop(m_buffer);
  Drop(m_format);
  Drop(m_effect);
  m_textured = m_untextured = m_font = 0;
}

// The common tail of both Begins: the effect begun, the format and buffer bound.
bool Overlay2D::Start(RenderEffect* effect, const char* caller) {
  m_passes = effect->Begin();
  if (m_passes == 0) return false;
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->ActivateVertexFormat(m_format) || !vm->ActivateVertexBuffer(m_buffer, 0)) {
    LogDetail("VideoManager::%s: Failed to lock 2D vertex buffer.", caller);
    effect->End();
    return false;
  }
  effect->AddRef();
  m_current = effect;
  m_count = 0;
  return true;
}

bool Overlay2D::BeginQuads(Texture* texture, RenderEffect* effect) {
  if (m_mode != Mode2D_Idle || m_boundFont || !m_effect) return false;
  RenderEffect* use = effect ? effect : m_effect;
  if (!effect) {
    m_effect->SetMatrix(m_proj2D, GetVideoManager()->Get2DProjection());
    m_effect->SetMatrix(m_identity, Matrix4x4());
    if (!m_effect->SetTechnique(texture ? m_textured : m_untextured)) return false;
    m_effect->SetTexture(m_texture0, texture);
  }
  if (!Start(use, "BeginQuads")) return false;
  if (texture) texture->AddRef();
  m_boundTexture = texture;
  m_mode = Mode2D_Quads;
  return true;
}

void Overlay2D::WriteQuad(Vertex2D* v, float x1, float y1, float x2, float y2, uint32_t colour,
                          float s1, float t1, float s2, float t2) {
  v[0] = {x1, y1, k2DDepth, colour, s1, t1};
  v[1] = {x2, y1, k2DDepth, colour, s2, t1};
  v[2] = {x1, y2, k2DDepth, colour, s1, t2};
  v[3] = v[1];
  v[4] = {x2, y2, k2DDepth, colour, s2, t2};
  v[5] = v[2];
}

bool Overlay2D::AddQuad(float x1, float y1, float x2, float y2, float red, float green, float blue,
                        float alpha, float s1, float t1, float s2, float t2) {
  if (m_mode != Mode2D_Quads) return false;
  if (m_count > 0 && m_count + 6 > k2DVertexCount && !Flush()) return false;
  WriteQuad(&m_staging[m_count], x1, y1, x2, y2, PackColour(red, green, blue, alpha), s1, t1, s2,
            t2);
  m_count += 6;
  return true;
}

bool Overlay2D::Flush() {
  if (m_count == 0) return true;
  if (m_observer) m_observer(m_staging.data(), m_count);
  void* bits = m_buffer->Lock(0, m_count);
  if (!bits) return false;
  std::memcpy(bits, m_staging.data(), m_count * sizeof(Vertex2D));
  m_buffer->Unlock();
  VideoManager* vm = GetVideoManager();
  bool ok = vm != nullptr;
  for (uint32_t pass = 0; ok && pass < m_passes; ++pass) {
    if (!m_current->BeginPass(pass)) {
      ok = false;
      break;
    }
    ok = vm->DrawPrimitive(PRIM_TRIANGLES, 0, m_count / 3);
    m_current->EndPass();
  }
  m_count = 0;
  return ok;
}

void Overlay2D::Finish() {
  Flush();
  m_current->End();
  Drop(m_current);
  Drop(m_boundTexture);
  Drop(m_boundFont);
  m_mode = Mode2D_Idle;
}

bool Overlay2D::EndQuads() {
  if (m_mode != Mode2D_Quads) return false;
  Finish();
  return true;
}

bool Overlay2D::BeginFont(FontResource* font) {
  if (m_mode != Mode2D_Idle || m_boundFont || !m_effect || !font) return false;
  BitmapFont* bitmap = font->GetFont();
  if (!bitmap || !bitmap->GetTexture()) return false;
  m_effect->SetTexture(m_texture1, bitmap->GetTexture());
  m_effect->SetMatrix(m_proj2D, GetVideoManager()->Get2DProjection());
  m_effect->SetMatrix(m_identity, Matrix4x4());
  if (!m_effect->SetTechnique(m_font)) return false;
  if (!Start(m_effect, "BeginFont")) return false;
  font->AddRef();
  m_boundFont = font;
  m_mode = Mode2D_Font;
  return true;
}

bool Overlay2D::AddText(std::string_view text, float x, float y, float red, float green, float blue,
                        float alpha, float scaleX, float scaleY) {
  if (m_mode != Mode2D_Font || !m_boundFont) return false;
  BitmapFont* font = m_boundFont->GetFont();
  if (!font || !font->GetTexture()) return false;
  const std::string codes = DecodeLatin1(text);
  if (m_count > 0 && m_count + 6 * codes.size() > k2DVertexCount && !Flush()) return false;
  const uint32_t colour = PackColour(red, green, blue, alpha);
  float pen = x;
  size_t next = 0;
  while (next < codes.size()) {
    size_t room = (k2DVertexCount - m_count) / 6;
    if (room == 0) {
      if (!Flush()) return false;
      continue;
    }
    size_t end = std::min(codes.size(), next + room);
    for (; next < end; ++next) {
      const FontGlyph& g = font->GetGlyph(uint8_t(codes[next]));
      const float w = float(g.width) * scaleX;
      if (codes[next] != ' ') {
        WriteQuad(&m_staging[m_count], pen, y, pen + w, y + float(g.height) * scaleY, colour, g.s0,
                  g.t0, g.s1, g.t1);
        m_count += 6;
      }
      pen += w;
    }
    if (next < codes.size() && !Flush()) return false;
  }
  return true;
}

bool Overlay2D::EndFont() {
  if (m_mode != Mode2D_Font || !m_boundFont) return false;
  Finish();
  return true;
}
