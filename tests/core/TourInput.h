// TourInput.h - the demo's tour as input events for tests that play it inside
// the test process, delivered the way the launcher delivers a replay.
// Builds on the launcher's replay reader and key table (kaz_shell).
#pragma once

#include "KeyTable.h"
#include "Replay.h"
#include "base/KazEngine.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The tour's events before `endFrame`, less its F9 presses (no screenshots).
inline std::vector<ReplayEvent> TourEvents(long endFrame) {
  std::ifstream file(KAZ_BIN_DIR "/cove/Tour.replay");
  std::stringstream text;
  text << file.rdbuf();
  Replay replay;
  std::vector<std::string> warnings;
  replay.Parse(text.str(), "Tour.replay", &warnings);
  replay.ResolveKeys(&warnings);
  std::vector<ReplayEvent> events;
  for (const ReplayEvent& event : replay.Events())
    if (event.frame < endFrame && !(event.type == ReplayEvent::Type::Key && event.key == SDLK_F9))
      events.push_back(event);
  return events;
}

// Hands the engine the events of `frame`, from `next` on (which moves past
// them); a frame's mouse motion arrives as one delta per axis.
inline void DeliverTourFrame(IKazEngine* engine, const std::vector<ReplayEvent>& events,
                             size_t& next, long frame) {
  int dx = 0, dy = 0;
  for (; next < events.size() && events[next].frame == frame; ++next) {
    const ReplayEvent& event = events[next];
    if (event.type == ReplayEvent::Type::Key) SendKeyToEngine(engine, event.scancode, event.down);
    if (event.type == ReplayEvent::Type::Mouse) dx += event.dx, dy += event.dy;
    if (event.type == ReplayEvent::Type::Char)
      for (int ch : event.chars) engine->OnChar(ch);
  }
  if (dx) engine->SetMouseDelta(0, dx);
  if (dy) engine->SetMouseDelta(1, dy);
}
