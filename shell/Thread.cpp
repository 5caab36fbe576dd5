// Thread.cpp - see Thread.h.
#include "Thread.h"

Thread::~Thread() {
  Join();
}

bool Thread::StartThread() {
  if (running_.load()) {
    return false;
  }
  Join();  // reap a previous run that has finished
  stopRequested_.store(false);
  result_.store(0);
  running_.store(true);
  thread_ = std::thread(&Thread::ThreadMain, this);
  return true;
}

void Thread::RequestStop() {
  stopRequested_.store(true);
}

void Thread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
    thread_.join();
  }
}

void Thread::ThreadMain() {
  if (OnStart()) {
    result_.store(Run());
    OnStop();
  }
  running_.store(false);
}
