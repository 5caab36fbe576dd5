// KeyframeTrack.h - a value over time, linear between keys.
//
// Particle systems keep float and colour tracks (radius and colour over a
// particle's life); scripts use float tracks directly. Keys are expected in
// ascending time order. Sampling clamps to the first and last key and keeps a
// cursor (a key index) so that steadily advancing times cost O(1).
//
// Header only; depends on nothing but the standard library.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

template <class T>
class LinearKeyframeTrack {
 public:
  struct Key {
    float time;
    T value;
  };

  // Two keys, (0, start) and (length, end); a length of 0 or less changes nothing.
  void Initialize(const T& start, const T& end, float length) {
    if (!(length > 0.0f)) return;
    m_keys = {{0.0f, start}, {length, end}};
    m_length = length;
  }
  // An empty track of length 0.
  void Initialize() {
    m_keys.clear();
    m_length = 0.0f;
    m_cursor = 0;
  }

  // Inserted before the first key after the first one whose time is later;
  // otherwise appended, and the length grows to reach it.
  void InsertKeyframe(float time, const T& value) {
    for (size_t i = 1; i < m_keys.size(); ++i) {
      if (m_keys[i].time > time) {
        m_keys.insert(m_keys.begin() + static_cast<std::ptrdiff_t>(i), Key{time, value});
        return;
      }
    }
    const float lastTime = m_keys.empty() ? 0.0f : m_keys.back().time;
    m_keys.push_back(Key{time, value});
    if (m_keys.size() > 2)
      m_length += time - lastTime;
    else
      m_length = time;
  }

  size_t GetKeyframeCount() const { return m_keys.size(); }
  float GetKeyframeTime(size_t index) const {
    return index < m_keys.size() ? m_keys[index].time : 0.0f;
  }
  T GetKeyframeValue(size_t index) const {
    return index < m_keys.size() ? m_keys[index].value : T();
  }
  float GetLength() const { return m_length; }

  // Scales the times to 0..1 (shifted so that the first starts at 0).
  void Normalize() {
    if (m_length == 0.0f || std::isnan(m_length)) return;
    float smallest = 0.0f;
    for (size_t i = 0; i < m_keys.size(); ++i) {
      m_keys[i].time /= m_length;
      if (i == 0 || m_keys[i].time < smallest) smallest = m_keys[i].time;
    }
    if (smallest != 0.0f) {
      for (Key& key : m_keys) key.time -= smallest;
    }
    m_length = 1.0f;
  }

  // `cursor` is the caller's key index, kept between calls.
  T Sample(float t, size_t& cursor) const {
    if (m_keys.empty()) return T();
    const size_t last = m_keys.size() - 1;
    if (cursor > last) cursor = last;
    size_t b;
    if (t < m_keys[cursor].time) {
      // Back to the key before t; before the first key the first value holds.
      size_t k = cursor;
      while (k > 0 && t < m_keys[k - 1].time) --k;
      if (k == 0) {
        cursor = 0;
        return m_keys[0].value;
      }
      b = k;
    } else {
      size_t k = cursor + 1;
      while (k <= last && !(t < m_keys[k].time)) ++k;
      if (k > last) {
        cursor = last;
        return m_keys[last].value;
      }
      b = k;
    }
    const Key& ka = m_keys[b - 1];
    const Key& kb = m_keys[b];
    cursor = b - 1;
    if (ka.time == kb.time) return kb.value;
    const float f = (t - ka.time) / (kb.time - ka.time);
    return ka.value * (1.0f - f) + kb.value * f;
  }
  T Sample(float t) const { return Sample(t, m_cursor); }

 private:
  std::vector<Key> m_keys;
  float m_length = 0.0f;
  mutable size_t m_cursor = 0;
};
