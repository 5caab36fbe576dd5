// GlowManager.cpp - glow targets, the blur rounds and the overlay.
#include "render/world/GlowManager.h"

#include "base/Log.h"
#include "console/CVarRegistry.h"
#include "render/device/Formats.h"
#include "render/gpu/VideoManager.h"
#include "render/world/RenderQueue.h"

#include <algorithm>

namespace {

// Texels the blur's outermost fetch reaches from its centre, with the
// bilinear footprint (glow.fx: 3.23 + 1).
constexpr float kBlurReach = 4.25f;

}  // namespace

GlowManager* CreateGlowManager(VideoManager* video) {
  return video ? new GlowManager(video) : nullptr;
}

void GlowManager::ReleaseAll() {
  m_targets[0].Reset();
  m_targets[1].Reset();
  m_depth.Reset();
  m_effect.Reset();
  m_blurH = m_blurV = m_overlay = 0;
  m_texture = m_identity = m_projection = 0;
  m_savedTarget.Reset();
  m_savedDepth.Reset();
}

bool GlowManager::PrepareTargets(uint32_t width, uint32_t height) {
  if (m_targets[0] && m_targets[1] && m_targets[0]->GetWidth() == width &&
      m_targets[0]->GetHeight() == height)
    return true;
  ReleaseAll();
  Texture* current = m_video->GetRenderTarget();
  if (!current) {
    LogMessage("GlowManager: No currently active render target.");
    return false;
  }
  for (Ref<Texture>& target : m_targets) {
    target = Ref<Texture>::Adopt(
        CreateTexture(width, height, TEXTYPE_2D, current->GetFormat(), false, true));
    if (!target) {
      LogMessage("GlowManager: Could not create %dx%d render target.", int(width), int(height));
      ReleaseAll();
      return false;
    }
  }
  m_depth = Ref<DepthStencilBuffer>::Adopt(CreateDepthStencilBuffer(width, height));
  if (!m_depth) {
    LogMessage("GlowManager: Could not create %dx%d scene depth buffer.", int(width), int(height));
    ReleaseAll();
    return false;
  }
  return true;
}

bool GlowManager::PrepareEffect() {
  if (m_effect) return true;
  m_effect = Ref<RenderEffect>::Adopt(LoadRenderEffect(kGlowEffectFile));
  if (!m_effect) {
    LogMessage("GlowManager: Could not load glow render effect.");
    ReleaseAll();
    return false;
  }
  m_blurH = m_effect->GetTechniqueByName("BlurH");
  m_blurV = m_effect->GetTechniqueByName("BlurV");
  m_overlay = m_effect->GetTechniqueByName("Overlay");
  if (!m_blurH || !m_blurV || !m_overlay) {
    LogMessage("GlowManager: Glow.fx does not contain BlurH, BlurV and Overlay techniques.");
    ReleaseAll();
    return false;
  }
  m_texture = m_effect->GetParameterBySemantic("TEXTURE");
  m_projection = m_effect->GetParameterBySemantic("PROJ2DMATRIX");
  m_identity = m_effect->GetParameterBySemantic("IDENTITYMATRIX");
  return true;
}

bool GlowManager::Prepare() {
  CVarInt& sizeVar = CVarRegistry::Instance().GlowTextureSize;
  const int clamped = std::clamp(sizeVar.Get(), kMinSize, kMaxSize);
  if (clamped != sizeVar.Get()) sizeVar.Set(clamped);
  // Half the size wide, the viewport's shape.
  const uint32_t width = uint32_t(clamped) / 2;
  const uint32_t vw = std::max(1u, m_viewport[2] - m_viewport[0]);
  const uint32_t vh = std::max(1u, m_viewport[3] - m_viewport[1]);
  const uint32_t height = std::clamp((width * vh + vw / 2) / vw, 1u, uint32_t(kMaxSize));
  return PrepareTargets(width, height) && PrepareEffect();
}

uint32_t GlowManager::GetSpread() const {
  if (!m_targets[0]) return 0;
  const float scale =
      float(m_viewport[2] - m_viewport[0]) / float(std::max(1u, m_targets[0]->GetWidth()));
  return uint32_t(kBlurReach * float(kBlurRounds) * scale + 1.0f);
}

bool GlowManager::Begin() {
  VideoManager* video = m_video;
  video->GetViewport(&m_viewport[0], &m_viewport[1], &m_viewport[2], &m_viewport[3], &m_minZ,
                     &m_maxZ);
  if (!Prepare()) return false;
  m_savedTarget = Ref<Texture>::Share(video->GetRenderTarget());
  m_savedDepth = Ref<DepthStencilBuffer>::Share(video->GetDepthStencilBuffer());
  if (!video->ActivateRenderTarget(m_targets[0].Get(), 0) ||
      !video->ActivateDepthStencilBuffer(m_depth.Get())) {
    video->ActivateRenderTarget(m_savedTarget.Get(), 0);
    video->ActivateDepthStencilBuffer(m_savedDepth.Get());
    m_savedTarget.Reset();
    m_savedDepth.Reset();
    return false;
  }
  video->SetViewport(0, 0, m_targets[0]->GetWidth(), m_targets[0]->GetHeight(), m_minZ, m_maxZ);
  video->SetClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  video->Clear(true, true, false);
  return true;
}

bool GlowManager::DrawQuad(EffectHandle technique, Texture* texture, uint32_t width,
                           uint32_t height) {
  m_effect->SetTechnique(technique);
  m_effect->SetTexture(m_texture, texture);
  if (!m_video->BeginQuads(nullptr, m_effect.Get())) return false;
  m_video->AddQuad(0.0f, 0.0f, float(width), float(height), 1.0f, 1.0f, 1.0f, 1.0f);
  m_video->EndQuads();
  return true;
}

void GlowManager::End() {
  VideoManager* video = m_video;
  if (!m_effect || !m_targets[0]) return;
  const uint32_t width = m_targets[0]->GetWidth(), height = m_targets[0]->GetHeight();
  m_current = 0;
  m_effect->SetMatrix(m_projection, VideoManager::Make2DProjection(width, height));
  m_effect->SetMatrix(m_identity, Matrix4x4());
  bool blurring = true;
  for (int round = 0; round < kBlurRounds && blurring; ++round) {
    for (EffectHandle technique : {m_blurH, m_blurV}) {
      Texture* source = m_targets[m_current].Get();
      m_current ^= 1u;
      video->ActivateRenderTarget(m_targets[m_current].Get(), 0);
      if (!DrawQuad(technique, source, width, height)) {
        blurring = false;
        break;
      }
    }
  }
  video->ActivateRenderTarget(m_savedTarget.Get(), 0);
  video->ActivateDepthStencilBuffer(m_savedDepth.Get());
  m_savedTarget.Reset();
  m_savedDepth.Reset();
  video->SetViewport(m_viewport[0], m_viewport[1], m_viewport[2], m_viewport[3], m_minZ, m_maxZ);
}

void GlowManager::Composite(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2) {
  const ScreenRect rect{x1, y1, x2, y2};
  Composite(&rect, 1);
}

void GlowManager::Composite(const ScreenRect* rects, uint32_t count) {
  VideoManager* video = m_video;
  if (!m_effect || !m_targets[0]) return;
  Texture* glow = m_targets[m_current].Get();
  m_effect->SetMatrix(m_projection, VideoManager::Make2DProjection(m_viewport[2], m_viewport[3]));
  m_effect->SetMatrix(m_identity, Matrix4x4());
  // Where nothing glows the overlay would add black: the scissor spares those pixels.
  for (uint32_t i = 0; i < count; ++i) {
    video->SetScissor(true, rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    DrawQuad(m_overlay, glow, m_viewport[2], m_viewport[3]);
  }
  video->SetScissor(false);

  if (CVarRegistry::Instance().DrawGlowTexture.Get() && video->BeginQuads(glow)) {
    const float x = float(m_viewport[0]), y = float(m_viewport[1]);
    const float w = float(m_viewport[2] - m_viewport[0]) / 2;
    const float h = float(m_viewport[3] - m_viewport[1]) / 2;
    video->AddQuad(x, y, x + w, y + h, 1.0f, 1.0f, 1.0f, 1.0f);
    video->EndQuads();
  }
}
