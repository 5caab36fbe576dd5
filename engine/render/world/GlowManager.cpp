// GlowManager.cpp - glow targets, the blur rounds and the overlay.
#include "render/world/GlowManager.h"

#include "base/Log.h"
#include "console/CVarRegistry.h"
#include "render/device/Formats.h"
#include "render/gpu/VideoManager.h"

#include <algorithm>

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

bool GlowManager::PrepareTargets(uint32_t size) {
  if (m_targets[0] && m_targets[1] && m_targets[0]->GetWidth() == size &&
      m_targets[0]->GetHeight() == size)
    return true;
  ReleaseAll();
  Texture* current = m_video->GetRenderTarget();
  if (!current) {
    LogMessage("GlowManager: No currently active render target.");
    return false;
  }
  for (Ref<Texture>& target : m_targets) {
    target = Ref<Texture>::Adopt(
        CreateTexture(size, size, TEXTYPE_2D, current->GetFormat(), false, true));
    if (!target) {
      LogMessage("GlowManager: Could not create %dx%d render target.", int(size), int(size));
      ReleaseAll();
      return false;
    }
  }
  m_depth = Ref<DepthStencilBuffer>::Adopt(CreateDepthStencilBuffer(size, size));
  if (!m_depth) {
    LogMessage("GlowManager: Could not create %dx%d scene depth buffer.", int(size), int(size));
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
  return PrepareTargets(uint32_t(clamped)) && PrepareEffect();
}

bool GlowManager::Begin() {
  VideoManager* video = m_video;
  if (!Prepare()) return false;
  video->GetViewport(&m_viewport[0], &m_viewport[1], &m_viewport[2], &m_viewport[3], &m_minZ,
                     &m_maxZ);
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
  const uint32_t size = m_targets[0]->GetWidth();
  video->SetViewport(0, 0, size, size, m_minZ, m_maxZ);
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
  const uint32_t size = m_targets[0]->GetWidth();
  m_current = 0;
  m_effect->SetMatrix(m_projection, VideoManager::Make2DProjection(size, size));
  m_effect->SetMatrix(m_identity, Matrix4x4());
  bool blurring = true;
  for (int round = 0; round < kBlurRounds && blurring; ++round) {
    for (EffectHandle technique : {m_blurH, m_blurV}) {
      Texture* source = m_targets[m_current].Get();
      m_current ^= 1u;
      video->ActivateRenderTarget(m_targets[m_current].Get(), 0);
      if (!DrawQuad(technique, source, size, size)) {
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

  Texture* glow = m_targets[m_current].Get();
  m_effect->SetMatrix(m_projection, VideoManager::Make2DProjection(m_viewport[2], m_viewport[3]));
  m_effect->SetMatrix(m_identity, Matrix4x4());
  DrawQuad(m_overlay, glow, m_viewport[2], m_viewport[3]);

  if (CVarRegistry::Instance().DrawGlowTexture.Get() && video->BeginQuads(glow)) {
    const float x = float(m_viewport[0]), y = float(m_viewport[1]);
    const float w = float(m_viewport[2] - m_viewport[0]) / 2;
    const float h = float(m_viewport[3] - m_viewport[1]) / 2;
    video->AddQuad(x, y, x + w, y + h, 1.0f, 1.0f, 1.0f, 1.0f);
    video->EndQuads();
  }
}
