// GlowManager.h - the glow (bloom) over the scene.
//
// Begin redirects drawing into a small square target, where the world
// renderer draws the Glow pass; End blurs that image back and forth between
// two targets (four rounds of BlurH then BlurV) and lays the result over the
// scene with the Overlay technique, all through the 2D quads with the effect
// "RenderEffects/internal/glow.fx". The targets follow GlowTextureSize
// (kept within 64..1024) and are re-created when it changes.
// Depends on: RenderEffect.h, Texture.h, GpuBuffers.h, VideoManager.h,
// console/CVarRegistry, base/Log.
#pragma once

#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "tier0/Ref.h"

#include <cstdint>

// The effect that blurs and adds the glow (a package file).
constexpr const char* kGlowEffectFile = "RenderEffects/internal/glow.fx";

class VideoManager;

class GlowManager {
 public:
  static constexpr int kMinSize = 64;
  static constexpr int kMaxSize = 1024;
  static constexpr int kBlurRounds = 4;

  explicit GlowManager(VideoManager* video) : m_video(video) {}
  ~GlowManager() { ReleaseAll(); }
  GlowManager(const GlowManager&) = delete;
  GlowManager& operator=(const GlowManager&) = delete;

  // False after one log line; the caller then switches glow off.
  bool Begin();
  void End();

  Texture* GetTarget(uint32_t index) const { return index < 2 ? m_targets[index].Get() : nullptr; }
  uint32_t GetCurrentIndex() const { return m_current; }

 private:
  bool Prepare();
  bool PrepareTargets(uint32_t size);
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
