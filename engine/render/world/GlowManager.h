// GlowManager.h - the glow (bloom) over the scene.
//
// Begin redirects drawing into a reduced-resolution target of the viewport's
// shape (half GlowTextureSize wide, which is kept within 64..1024), where the
// world renderer draws the Glow pass; End blurs that image with the separable
// filter of "RenderEffects/internal/glow.fx" (a round of BlurH then BlurV
// between two targets) and gives the scene its target back; Composite lays
// the result over the part of the scene that glows (Overlay, through the 2D
// quads). One round over a target half GlowTextureSize wide spreads the glow
// as far across the screen as four rounds over the square target of that
// size did, for a fraction of the pixels. The targets follow the viewport and
// GlowTextureSize and are made again when either changes.
// Depends on: RenderEffect.h, Texture.h, GpuBuffers.h, VideoManager.h,
// RenderQueue.h (ScreenRect), console/CVarRegistry, base/Log.
#pragma once

#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "tier0/Ref.h"

#include <cstdint>

// The effect that blurs and adds the glow (a package file).
constexpr const char* kGlowEffectFile = "RenderEffects/internal/glow.fx";

class VideoManager;
struct ScreenRect;

class GlowManager {
 public:
  static constexpr int kMinSize = 64;
  static constexpr int kMaxSize = 1024;
  static constexpr int kBlurRounds = 1;

  explicit GlowManager(VideoManager* video) : m_video(video) {}
  ~GlowManager() { ReleaseAll(); }
  GlowManager(const GlowManager&) = delete;
  GlowManager& operator=(const GlowManager&) = delete;

  // False after one log line; the caller then switches glow off.
  bool Begin();
  // Blurs what was drawn since Begin and restores the scene's target and viewport.
  void End();
  // Adds the blurred glow over (x1, y1)-(x2, y2) of the scene's viewport, in
  // its pixels; the rest of the scene gets none.
  void Composite(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2);
  // The same over each of `count` rectangles, which must not overlap.
  void Composite(const ScreenRect* rects, uint32_t count);
  // How many screen pixels the blur carries a glowing pixel's light at most.
  uint32_t GetSpread() const;

  Texture* GetTarget(uint32_t index) const { return index < 2 ? m_targets[index].Get() : nullptr; }
  uint32_t GetCurrentIndex() const { return m_current; }

 private:
  bool Prepare();
  bool PrepareTargets(uint32_t width, uint32_t height);
  bool PrepareEffect();
  void ReleaseAll();
  // One quad over (0, 0)-(width, height) with the glow effect; false when
  // the quads could not start.
  bool DrawQuad(EffectHandle technique, Texture* texture, uint32_t width, uint32_t height);

  VideoManager* m_video;
  Ref<Texture> m_targets[2];
  Ref<DepthStencilBuffer> m_depth;
  Ref<RenderEffect> m_effect;
  EffectHandle m_blurH = 0, m_blurV = 0, m_overlay = 0;
  EffectHandle m_texture = 0, m_identity = 0, m_projection = 0;
  uint32_t m_current = 0;
  uint32_t m_viewport[4] = {};
  float m_minZ = 0.0f, m_maxZ = 1.0f;
  Ref<Texture> m_savedTarget;
  Ref<DepthStencilBuffer> m_savedDepth;
};

// The glow manager for a video manager, or null without one.
GlowManager* CreateGlowManager(VideoManager* video);
