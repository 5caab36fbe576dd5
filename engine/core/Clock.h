// Clock.h - the engine's time source, injectable so tests are deterministic.
//
// The frame loop reads the time through a Clock; tests hand it a ManualClock.
// Builds on the standard library only.
#pragma once

#include <chrono>

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since an arbitrary fixed point.
  virtual double Now() const = 0;
};

class SteadyClock final : public Clock {
 public:
  double Now() const override {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  }
};

// A clock that only moves when told to.
class ManualClock final : public Clock {
 public:
  double Now() const override { return m_now; }
  void Set(double seconds) { m_now = seconds; }
  void Advance(double seconds) { m_now += seconds; }

 private:
  double m_now = 1000.0;
};
