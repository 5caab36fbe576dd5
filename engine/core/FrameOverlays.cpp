// FrameOverlays.cpp - see FrameOverlays.h.
#include "core/FrameOverlays.h"

#include "core/ScreenEffects.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/VideoManager.h"

void DrawEditorCursor(VideoManager& video, int x, int y) {
  if (!video.BeginQuads()) return;
  video.AddQuad(float(x), float(y), float(x + 16), float(y + 16), 1.0f, 1.0f, 1.0f, 1.0f);
  video.EndQuads();
}

void DrawFlash(VideoManager& video, RenderEffect* effect, const FlashEffect& flash, float opacity,
               int width, int height) {
  if (!effect) return;
  // The flash effect takes its colour from a parameter, not from the vertices.
  effect->SetMatrix(effect->GetParameterBySemantic("PROJ2DMATRIX"), video.Get2DProjection());
  effect->SetVector4(effect->GetParameterByName("FlashColor"), flash.red, flash.green, flash.blue,
                     opacity);
  if (!video.BeginQuads(nullptr, effect)) return;
  video.AddQuad(0.0f, 0.0f, float(width), float(height), flash.red, flash.green, flash.blue,
                opacity);
  video.EndQuads();
}

void DrawFade(VideoManager& video, float opacity, int width, int height) {
  if (!video.BeginQuads()) return;
  video.AddQuad(0.0f, 0.0f, float(width), float(height), 0.0f, 0.0f, 0.0f, opacity);
  video.EndQuads();
}
