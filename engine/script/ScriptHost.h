// ScriptHost.h - what the script modules need from the engine object.
//
// The script layer sits below the engine core, so the core installs these
// operations (console printing, the world and its render camera, the screen
// fade and flash, an immediate redraw) before it creates the script manager,
// and clears them at shutdown. An operation left empty does nothing; the
// getters then return null. Tests install their own.
#pragma once

#include <functional>

class World;
class WorldObject;

struct ScriptHost {
  // Console text; continueLine true when no line break is to follow.
  std::function<void(const char* text, bool continueLine)> print;
  std::function<World*()> getWorld;
  // Only a camera object becomes the render camera; anything else clears it.
  std::function<void(WorldObject* camera)> setRenderCamera;
  std::function<WorldObject*()> getRenderCamera;
  std::function<void(float seconds, bool toBlack)> startFade;
  std::function<void()> stopFade;
  std::function<void(float seconds, float red, float green, float blue)> startFlash;
  std::function<void()> stopFlash;
  std::function<void()> forceRedraw;
};

void SetScriptHost(const ScriptHost& host);
const ScriptHost& GetScriptHost();
