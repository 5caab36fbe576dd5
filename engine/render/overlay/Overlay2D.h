// Overlay2D.h - everything flat on the screen: quads and bitmap text in
// screen pixels, batched through one dynamic vertex buffer.
//
// The video manager owns one Overlay2D and forwards its 2D operations
// (BeginQuads, AddQuad, EndQuads, BeginFont, AddText, EndFont) to it. It is
// set up when a display mode is first created ("RenderEffects/internal/
// 2DQuads.fx" with the techniques Textured, Untextured and Font, a 24-byte
// vertex format and a 4096-vertex dynamic buffer) and released at video
// shutdown; without it every Begin fails. Vertices are written to a staging
// array and uploaded per flush, only as many as were written: a flush is one
// draw per effect pass, at the End call or when the next quad or text would
// not fit. Colours are clamped to 0..1 before they are packed.
// Depends on: RenderEffect.h, Font.h, GpuBuffers.h, VertexFormat.h,
// VideoManager.h, base/Log.
#pragma once

#include "render/gpu/VideoManager.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

// The effect the 2D overlays draw with (a package file).
constexpr const char* k2DEffectFile = "RenderEffects/internal/2DQuads.fx";

class RenderEffect;
class Texture;
class VertexBuffer;
class DeviceVertexFormat;
class FontResource;

struct Vertex2D {
  float x, y, z;
  uint32_t color;  // ARGB
  float u, v;
};
static_assert(sizeof(Vertex2D) == 24, "the 2D vertex format is 24 bytes");

constexpr uint32_t k2DVertexCount = 4096;
constexpr float k2DDepth = 5.0f;

enum Overlay2DMode : uint32_t { Mode2D_Idle = 0, Mode2D_Quads = 1, Mode2D_Font = 2 };

class Overlay2D : public VideoListener {
 public:
  Overlay2D() = default;
  ~Overlay2D() override;

  // Loads the effect and makes the format and buffer; false (logged) leaves
  // 2D drawing disabled.
  bool Init();
  void Release();
  bool IsReady() const { return m_effect != nullptr; }

  bool BeginQuads(Texture* texture, RenderEffect* effect);
  bool AddQuad(float x1, float y1, float x2, float y2, float red, float green, float blue,
               float alpha, float s1, float t1, float s2, float t2);
  bool EndQuads();
  bool BeginFont(FontResource* font);
  bool AddText(std::string_view text, float x, float y, float red, float green, float blue,
               float alpha, float scaleX = 1.0f, float scaleY = 1.0f);
  bool EndFont();

  uint32_t GetMode() const { return m_mode; }
  uint32_t GetPendingVertices() const { return m_count; }
  // Called with the vertices of every flush before they are drawn (tests).
  using FlushObserver = std::function<void(const Vertex2D* vertices, uint32_t count)>;
  void SetFlushObserver(FlushObserver observer) { m_observer = std::move(observer); }

  void OnModeCreated(VideoManager*) override { Init(); }
  void OnVideoShutdown(VideoManager*) override { Release(); }

 private:
  bool Start(RenderEffect* effect, const char* caller);
  bool Flush();
  void Finish();
  void WriteQuad(Vertex2D* v, float x1, float y1, float x2, float y2, uint32_t colour, float s1,
                 float t1, float s2, float t2);

  RenderEffect* m_effect = nullptr;  // the built-in one
  uint32_t m_textured = 0, m_untextured = 0, m_font = 0;
  uint32_t m_texture0 = 0, m_texture1 = 0, m_proj2D = 0, m_identity = 0;
  DeviceVertexFormat* m_format = nullptr;
  VertexBuffer* m_buffer = nullptr;

  uint32_t m_mode = Mode2D_Idle;
  RenderEffect* m_current = nullptr;  // counted while a batch is open
  uint32_t m_passes = 0;
  Texture* m_boundTexture = nullptr;
  FontResource* m_boundFont = nullptr;
  uint32_t m_count = 0;
  std::array<Vertex2D, k2DVertexCount> m_staging;
  FlushObserver m_observer;
};
