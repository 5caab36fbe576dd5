// Thread.h - a small reusable thread object over std::thread.
//
// A subclass overrides OnStart (set-up on the new thread; false ends the
// thread at once), Run (the body; its result is kept) and OnStop (tear-down,
// only after a successful OnStart). The running flag is set before the thread
// exists and cleared as its last act, so a starter may poll it while waiting
// for the thread to come up. Depends on the standard library only.
#pragma once

#include <atomic>
#include <thread>

class Thread {
 public:
  Thread() = default;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Subclasses must call Stop() in their own destructor: by the time this one
  // runs, their overrides are gone.
  virtual ~Thread();

  // Starts the thread; false if it is already running.
  bool StartThread();
  // Asks Run to return; subclasses that sleep override it to wake up, calling the base.
  virtual void RequestStop();
  // Waits for the thread to end (no-op when none was started or from the thread itself).
  void Join();
  void Stop() {
    RequestStop();
    Join();
  }

  bool IsRunning() const { return m_running.load(); }
  bool IsStopRequested() const { return m_stopRequested.load(); }
  int GetResult() const { return m_result.load(); }

 protected:
  virtual bool OnStart() { return true; }
  virtual void OnStop() {}
  virtual int Run() = 0;

 private:
  void ThreadMain();

  std::thread m_thread;
  std::atomic<bool> m_stopRequested{false};
  std::atomic<bool> m_running{false};
  std::atomic<int> m_result{0};
};
