// ScriptHost.h - what the script modules need from the engine object.
//
// The script layer sits below the engine core, so the core implements this
// interface (console printing, the world and its render camera, the screen
// fade and flash, an immediate redraw) and installs it before it creates the
// script manager, and removes it at shutdown. An operation a host leaves out
// does nothing and its getter returns null; without a host, scripts print to
// standard output and find no world. Tests install their own.
#pragma once

class World;
class WorldObject;

class ScriptHost {
 public:
  virtual ~ScriptHost() = default;
  // Console text; continueLine true when no line break is to follow.
  virtual void Print(const char* text, bool continueLine) = 0;
  virtual World* GetWorld() { return nullptr; }
  // Only a camera object becomes the render camera; anything else clears it.
  virtual void SetRenderCamera(WorldObject* camera) {}
  virtual WorldObject* GetRenderCamera() { return nullptr; }
  virtual void StartFade(float seconds, bool toBlack) {}
  virtual void StopFade() {}
  virtual void StartFlash(float seconds, float red, float green, float blue) {}
  virtual void StopFlash() {}
  virtual void ForceRedraw() {}
};

// Not owned; null removes it.
void SetScriptHost(ScriptHost* host);
ScriptHost* GetScriptHost();
