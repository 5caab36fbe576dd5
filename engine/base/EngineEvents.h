// EngineEvents.h - the engine's event broadcast.
//
// Events are small stack records handed synchronously to every listener whose
// category mask shares a bit with the event's category, in list order. The
// script manager registers the game's application as a listener.
// Builds on the standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class IKazEngine;

enum EngineEventCode : int {
  EngineEvent_Started = 0,
  EngineEvent_ShuttingDown = 1,
  EngineEvent_Activated = 2,
  EngineEvent_Deactivated = 3,
  EngineEvent_Frame = 4,
  EngineEvent_KeyPressed = 5,
  EngineEvent_KeyReleased = 6,
  EngineEvent_KeyHeld = 7,
  EngineEvent_Char = 8,
  EngineEvent_MouseMoved = 9,
};

enum EngineEventCategory : uint32_t {
  EngineEventCategory_Engine = 1,
  EngineEventCategory_Input = 2,
};

struct EngineEvent {
  uint32_t category = 0;
  int code = 0;
  IKazEngine* engine = nullptr;  // engine events
  int key = 0;                   // key events; the character for Char
  int dx = 0, dy = 0;            // MouseMoved

  static uint32_t CategoryOf(int code) {
    return code <= EngineEvent_Frame ? EngineEventCategory_Engine : EngineEventCategory_Input;
  }
};

class IEngineEventListener {
 public:
  virtual ~IEngineEventListener() = default;
  virtual void OnEvent(const EngineEvent& event) = 0;
};

class EngineEventListenerList {
 public:
  void Add(IEngineEventListener* listener, uint32_t categoryMask);
  // Safe to call from inside a broadcast: the entry is skipped from then on.
  void Remove(IEngineEventListener* listener);
  void Broadcast(const EngineEvent& event);
  size_t Size() const;

 private:
  struct Entry {
    IEngineEventListener* listener;
    uint32_t mask;
  };
  std::vector<Entry> m_entries;
  int m_broadcastDepth = 0;
  bool m_needsCompaction = false;
};
