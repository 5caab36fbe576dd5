// EngineEvents.cpp - see EngineEvents.h.
#include "base/EngineEvents.h"

#include <algorithm>

void EngineEventListenerList::Add(IEngineEventListener* listener, uint32_t categoryMask) {
  if (listener) m_entries.push_back({listener, categoryMask});
}

void EngineEventListenerList::Remove(IEngineEventListener* listener) {
  for (Entry& e : m_entries) {
    if (e.listener == listener) {
      e.listener = nullptr;
      m_needsCompaction = true;
    }
  }
  if (m_broadcastDepth == 0 && m_needsCompaction) {
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [](const Entry& e) { return !e.listener; }),
                    m_entries.end());
    m_needsCompaction = false;
  }
}

void EngineEventListenerList::Broadcast(const EngineEvent& event) {
  ++m_broadcastDepth;
  // Index loop: a listener may add listeners while we walk the list.
  for (size_t i = 0; i < m_entries.size(); ++i) {
    Entry e = m_entries[i];
    if (e.listener && (e.mask & event.category)) e.listener->OnEvent(event);
  }
  if (--m_broadcastDepth == 0 && m_needsCompaction) Remove(nullptr);
}

size_t EngineEventListenerList::Size() const {
  return static_cast<size_t>(
      std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& e) { return e.listener; }));
}
