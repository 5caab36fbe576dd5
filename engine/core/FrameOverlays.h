// FrameOverlays.h - the full-screen and cursor quads of the frame: the
// EditorMode cursor, the flash and the fade, drawn through the video
// manager's 2D overlays after the world.
// Depends on: render/VideoManager.h, render/RenderEffect.h, ScreenEffects.h.
#pragma once

class VideoManager;
class RenderEffect;
struct FlashEffect;

// A white 16 x 16 quad with its top left at the cursor.
void DrawEditorCursor(VideoManager& video, int x, int y);
// The flash colour over the screen at opacity, through the flash effect.
void DrawFlash(VideoManager& video, RenderEffect* effect, const FlashEffect& flash, float opacity,
               int width, int height);
// Black over the screen at opacity.
void DrawFade(VideoManager& video, float opacity, int width, int height);
