// FrameProfiler.h - where the time of a frame goes: scoped timers that split
// every frame into parts, and the frame's draw calls, passes and triangles.
//
// The frame loop opens each frame with BeginFrame. From then until the next
// BeginFrame every moment is charged to exactly one part: the innermost open
// ProfileScope, or "rest" when none is open. A scope opened inside another
// pauses the outer one, so the parts never overlap and add up to the time
// from one frame's start to the next (the launcher's work between two frames
// lands in "rest"). Times come from the steady clock, the engine's wall clock.
// While nobody asked for them (no overlay, no report collecting) nothing is
// timed: a scope then costs a load and a branch.
// Collected frames feed a summary (minimum, mean, maximum of every part and
// count) that the engine prints when "profile N" asked for one; "profile N
// finish" also makes each part of those frames wait for the graphics device,
// through the ProfileFence the video layer installs, so that a device that
// works after the draws are handed over is charged to the part that gave it work.
// Part of the ground floor; builds on the standard library only.
#pragma once

#include <cstdint>

enum ProfilePart : uint32_t {
  ProfilePart_Physics = 0,
  ProfilePart_Objects,
  ProfilePart_Scripts,
  ProfilePart_Sound,
  ProfilePart_Cull,
  ProfilePart_Depth,
  ProfilePart_Shadow,
  ProfilePart_Ambient,
  ProfilePart_Lit,
  ProfilePart_Glow,
  ProfilePart_Particles,
  ProfilePart_2D,
  ProfilePart_Present,
  ProfilePart_Rest,
  ProfilePart_Count,
};

// "physics", "objects", ... "rest"; "" for a number out of range.
const char* GetProfilePartName(uint32_t part);

enum ProfileCount : uint32_t {
  ProfileCount_Draws = 0,
  ProfileCount_Passes,
  ProfileCount_Triangles,
  ProfileCount_Count,
};
const char* GetProfileCountName(uint32_t count);

// One frame: seconds per part and in all, and the counts.
struct FrameProfile {
  double seconds[ProfilePart_Count] = {};
  double frame = 0.0;
  uint64_t counts[ProfileCount_Count] = {};
};

// Minimum, mean and maximum over the frames of a report.
struct ProfileSummary {
  struct Range {
    double min = 0.0, mean = 0.0, max = 0.0;
  };
  uint32_t frames = 0;
  Range parts[ProfilePart_Count];
  Range frame;
  Range counts[ProfileCount_Count];
};

// Waits until the graphics device has done the work given to it so far
// (the video layer installs one while it has a device).
class ProfileFence {
 public:
  virtual ~ProfileFence() = default;
  virtual void Finish() = 0;
};

class FrameProfiler {
 public:
  static FrameProfiler& Instance();

  // Whether frames are being timed (the overlay is on or a report collects).
  bool IsTiming() const { return m_timing; }
  void SetOverlay(bool on);
  bool HasOverlay() const { return m_overlay; }
  // Collects the next `frames` whole frames for a summary (0 cancels). With
  // finishParts, each part of those frames waits for the device (the fence)
  // before it ends, so that it is charged the device's work it gave, not
  // only the time to hand it over; the frames are then slower, their parts
  // no longer overlapping the device's work.
  void StartReport(uint32_t frames, bool finishParts = false);
  void SetFence(ProfileFence* fence) { m_fence = fence; }
  ProfileFence* GetFence() const { return m_fence; }
  bool IsCollecting() const { return m_reportWanted > 0; }
  // The summary once its frames are in, once: true and the summary in *out.
  bool TakeReport(ProfileSummary* out);

  // Ends the frame in progress (the last complete frame then holds it) and starts the next.
  void BeginFrame();
  void Enter(ProfilePart part);
  void Leave();
  void CountDraw(uint32_t primitives) {
    if (!m_frameOpen) return;
    ++m_current.counts[ProfileCount_Draws];
    m_current.counts[ProfileCount_Triangles] += primitives;
  }
  void CountPass() {
    if (m_frameOpen) ++m_current.counts[ProfileCount_Passes];
  }

  // The last frame measured whole (zeros before there is one).
  const FrameProfile& GetLastFrame() const { return m_last; }
  // Forgets everything and stops timing (tests, shutdown).
  void Reset();

 private:
  FrameProfiler() = default;
  void UpdateTiming();
  void Charge(double now);
  void Accumulate(const FrameProfile& frame);

  static constexpr uint32_t kMaxDepth = 16;
  bool m_timing = false;
  bool m_overlay = false;
  bool m_frameOpen = false;
  uint32_t m_reportWanted = 0;
  bool m_finishParts = false;
  ProfileFence* m_fence = nullptr;
  bool m_reportReady = false;
  ProfilePart m_stack[kMaxDepth] = {};
  uint32_t m_depth = 0;
  // Opened scopes deeper than the stack holds are counted, not timed.
  uint32_t m_overflow = 0;
  double m_mark = 0.0;
  double m_frameStart = 0.0;
  FrameProfile m_current;
  FrameProfile m_last;
  ProfileSummary m_sums;
};

// Times the enclosing block as one part; nothing happens while not timing.
class ProfileScope {
 public:
  explicit ProfileScope(ProfilePart part) {
    FrameProfiler& p = FrameProfiler::Instance();
    if (!p.IsTiming()) return;
    m_profiler = &p;
    p.Enter(part);
  }
  ~ProfileScope() {
    if (m_profiler) m_profiler->Leave();
  }
  ProfileScope(const ProfileScope&) = delete;
  ProfileScope& operator=(const ProfileScope&) = delete;

 private:
  FrameProfiler* m_profiler = nullptr;
};
