// Thread.cpp - see Thread.h.
#include "Thread.h"

Thread::~Thread() {
  Join();
}

bool Thread::StartThread() {
  if (m_running.load()) {
    return false;
  }
  Join();  // reap a previous run that has finished
  m_stopRequested.store(false);
  m_result.store(0);
  m_running.store(true);
  m_thread = std::thread(&Thread::ThreadMain, this);
  return true;
}

void Thread::RequestStop() {
  m_stopRequested.store(true);
}

void Thread::Join() {
  if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
    m_thread.join();
  }
}

void Thread::ThreadMain() {
  if (OnStart()) {
    m_result.store(Run());
    OnStop();
  }
  m_running.store(false);
}
