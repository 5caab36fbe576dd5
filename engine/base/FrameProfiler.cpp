// FrameProfiler.cpp - the frame's parts and counts; see FrameProfiler.h.
#include "base/FrameProfiler.h"

#include <algorithm>
#include <chrono>

namespace {

const char* const kPartNames[ProfilePart_Count] = {
    "physics", "objects", "scripts", "sound",     "cull", "depth",   "shadow",
    "ambient", "lit",     "glow",    "particles", "2d",   "present", "rest"};
const char* const kCountNames[ProfileCount_Count] = {"draw calls", "passes", "triangles"};

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void Widen(ProfileSummary::Range& range, double value, bool first) {
  if (first) {
    range.min = range.max = value;
  } else {
    range.min = std::min(range.min, value);
    range.max = std::max(range.max, value);
  }
  range.mean += value;  // a sum until the report is complete
}

void Average(ProfileSummary::Range& range, uint32_t frames) {
  if (frames) range.mean /= double(frames);
}

}  // namespace

const char* GetProfilePartName(uint32_t part) {
  return part < ProfilePart_Count ? kPartNames[part] : "";
}

const char* GetProfileCountName(uint32_t count) {
  return count < ProfileCount_Count ? kCountNames[count] : "";
}

FrameProfiler& FrameProfiler::Instance() {
  static FrameProfiler profiler;
  return profiler;
}

void FrameProfiler::UpdateTiming() {
  const bool timing = m_overlay || m_reportWanted > 0;
  if (timing == m_timing) return;
  m_timing = timing;
  // A frame is measured whole or not at all: timing starts at the next frame.
  m_frameOpen = false;
  m_depth = m_overflow = 0;
}

void FrameProfiler::SetOverlay(bool on) {
  m_overlay = on;
  UpdateTiming();
}

void FrameProfiler::StartReport(uint32_t frames, bool finishParts) {
  m_reportWanted = frames;
  m_finishParts = finishParts && frames > 0;
  m_reportReady = false;
  m_sums = ProfileSummary();
  UpdateTiming();
}

bool FrameProfiler::TakeReport(ProfileSummary* out) {
  if (!m_reportReady) return false;
  m_reportReady = false;
  if (out) *out = m_sums;
  return true;
}

void FrameProfiler::Reset() {
  m_overlay = false;
  m_reportWanted = 0;
  m_finishParts = false;
  m_reportReady = false;
  m_sums = ProfileSummary();
  m_last = FrameProfile();
  m_current = FrameProfile();
  UpdateTiming();
}

void FrameProfiler::Charge(double now) {
  const ProfilePart part = m_depth ? m_stack[m_depth - 1] : ProfilePart_Rest;
  m_current.seconds[part] += now - m_mark;
  m_mark = now;
}

void FrameProfiler::Enter(ProfilePart part) {
  if (m_depth >= kMaxDepth) {
    ++m_overflow;
    return;
  }
  if (m_frameOpen) {
    if (m_finishParts && m_fence) m_fence->Finish();
    Charge(Now());
  }
  m_stack[m_depth++] = part;
}

void FrameProfiler::Leave() {
  if (m_overflow) {
    --m_overflow;
    return;
  }
  if (!m_depth) return;
  if (m_frameOpen) {
    if (m_finishParts && m_fence) m_fence->Finish();
    Charge(Now());
  }
  --m_depth;
}

void FrameProfiler::BeginFrame() {
  if (!m_timing) return;
  const double now = Now();
  if (m_frameOpen) {
    Charge(now);
    m_current.frame = now - m_frameStart;
    m_last = m_current;
    if (m_reportWanted > 0) {
      Accumulate(m_last);
      if (m_sums.frames == m_reportWanted) {
        m_reportWanted = 0;
        m_finishParts = false;
        m_reportReady = true;
        UpdateTiming();
        if (!m_timing) return;
      }
    }
  }
  m_current = FrameProfile();
  m_frameStart = m_mark = now;
  m_frameOpen = true;
}

void FrameProfiler::Accumulate(const FrameProfile& frame) {
  const bool first = m_sums.frames == 0;
  for (uint32_t p = 0; p < ProfilePart_Count; ++p) Widen(m_sums.parts[p], frame.seconds[p], first);
  Widen(m_sums.frame, frame.frame, first);
  for (uint32_t c = 0; c < ProfileCount_Count; ++c)
    Widen(m_sums.counts[c], double(frame.counts[c]), first);
  ++m_sums.frames;
  if (m_sums.frames != m_reportWanted) return;
  for (ProfileSummary::Range& range : m_sums.parts) Average(range, m_sums.frames);
  Average(m_sums.frame, m_sums.frames);
  for (ProfileSummary::Range& range : m_sums.counts) Average(range, m_sums.frames);
}
