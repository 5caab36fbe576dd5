// ProfileCommand.cpp - the "profile" command, its overlay and report; see ProfileCommand.h.
#include "core/ProfileCommand.h"

#include "base/FrameProfiler.h"
#include "base/Log.h"
#include "console/Console.h"

#include <charconv>
#include <cstring>

namespace {

constexpr uint32_t kMaxReportFrames = 1000000;

constexpr const char* kProfileDoc =
    "profile [frames [finish]]\n\n"
    "Without an argument, shows or hides the frame profiler: the last frame's time in\n"
    "milliseconds per part (physics, objects, scripts, sound, cull, the render passes\n"
    "depth, shadow, ambient, lit, glow, particles and 2d, present and the rest) with its\n"
    "draw calls, passes and triangles.\n"
    "With a number of frames, prints each part's minimum, mean and maximum over that\n"
    "many coming frames. With 'finish' after it, each part of those frames waits for\n"
    "the graphics device to carry out what the part gave it, so that the device's work\n"
    "is charged to the part that caused it (a software rasterizer does most of its work\n"
    "after the draws are handed over); those frames are slower.";

int CmdProfile(int argc, const char* const* argv, void*) {
  FrameProfiler& profiler = FrameProfiler::Instance();
  if (argc == 0) {
    profiler.SetOverlay(!profiler.HasOverlay());
    return 0;
  }
  uint32_t frames = 0;
  const char* end = argv[0] + std::strlen(argv[0]);
  const auto [stop, error] = std::from_chars(argv[0], end, frames);
  if (error != std::errc() || stop != end || frames == 0 || frames > kMaxReportFrames) {
    LogError("profile: '%s' is not a number of frames from 1 to %u.", argv[0],
             unsigned(kMaxReportFrames));
    return -1;
  }
  const bool finish = argc > 1 && std::strcmp(argv[1], "finish") == 0;
  if (argc > 2 || (argc > 1 && !finish)) {
    LogError("profile: '%s' is not 'finish' (usage: profile [frames [finish]]).",
             argv[argc > 2 && finish ? 2 : 1]);
    return -1;
  }
  if (finish && !profiler.GetFence()) {
    LogError("profile: there is no graphics device to wait for.");
    return -1;
  }
  profiler.StartReport(frames, finish);
  LogMessage(finish ? "Profiling the next %u frames, each part waiting for the device..."
                    : "Profiling the next %u frames...",
             unsigned(frames));
  return 0;
}

double Ms(double seconds) {
  return seconds * 1000.0;
}

}  // namespace

bool RegisterProfileCommand(IKazEngine* engine, CommandRegistry& registry) {
  if (registry.RegisterCommand("profile", CmdProfile, kProfileDoc, engine)) return true;
  LogWarning("Console command '%s' is already registered.", "profile");
  return false;
}

void QueueProfileOverlay(Console& console) {
  const FrameProfiler& profiler = FrameProfiler::Instance();
  if (!profiler.HasOverlay()) return;
  const FrameProfile& last = profiler.GetLastFrame();
  console.AddNotice("[orange]--- Profile (ms) ---");
  for (uint32_t p = 0; p < ProfilePart_Count; ++p)
    console.AddNoticef("[cyan]%s [grey]: [white]%.2f", GetProfilePartName(p), Ms(last.seconds[p]));
  console.AddNoticef("[cyan]frame [grey]: [white]%.2f", Ms(last.frame));
  // The counts share a line: notices are few (kConsoleMaxNotices).
  console.AddNoticef(
      "[cyan]%s [grey]: [white]%llu [cyan]%s [grey]: [white]%llu [cyan]%s [grey]: "
      "[white]%llu",
      GetProfileCountName(ProfileCount_Draws),
      static_cast<unsigned long long>(last.counts[ProfileCount_Draws]),
      GetProfileCountName(ProfileCount_Passes),
      static_cast<unsigned long long>(last.counts[ProfileCount_Passes]),
      GetProfileCountName(ProfileCount_Triangles),
      static_cast<unsigned long long>(last.counts[ProfileCount_Triangles]));
  console.AddNotice(" ");
}

void PrintFinishedProfile() {
  ProfileSummary summary;
  if (!FrameProfiler::Instance().TakeReport(&summary)) return;
  LogMessage("[orange]--- Profile of %u frames (min / mean / max) ---", unsigned(summary.frames));
  const auto times = [](const char* name, const ProfileSummary::Range& r) {
    LogMessage("[cyan]%-10s[grey]: [white]%8.3f %8.3f %8.3f ms", name, Ms(r.min), Ms(r.mean),
               Ms(r.max));
  };
  for (uint32_t p = 0; p < ProfilePart_Count; ++p) times(GetProfilePartName(p), summary.parts[p]);
  times("frame", summary.frame);
  for (uint32_t c = 0; c < ProfileCount_Count; ++c) {
    const ProfileSummary::Range& r = summary.counts[c];
    LogMessage("[cyan]%-10s[grey]: [white]%8.0f %8.1f %8.0f", GetProfileCountName(c), r.min, r.mean,
               r.max);
  }
}
