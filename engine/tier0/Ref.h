// Ref.h - intrusive reference counting: the count itself and an owning handle.
//
// Pooled objects, resources and device objects all count their own references
// through AddRef()/Release(). RefCount is that count, kept one way everywhere:
// a Release without a reference held is refused rather than wrapped (a wrapped
// count would keep a dead object alive or free a live one) and the owner says
// so. Ref<T> holds exactly one reference and drops it when it goes, so callers
// never write the pair by hand. A factory hands out one reference: take it
// with Ref<T>::Adopt. To keep an object some other owner holds, take a new
// reference with Ref<T>::Share.
//
// Builds on nothing but the AddRef()/Release() members of T. Counting is plain
// (game thread only): no atomics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

class RefCount {
 public:
  enum Drop { kKept, kLast, kUnbalanced };

  constexpr explicit RefCount(uint32_t initial = 0) : m_count(initial) {}
  RefCount(const RefCount&) = delete;
  RefCount& operator=(const RefCount&) = delete;

  uint32_t Add() { return ++m_count; }
  // Drops one reference: kLast when that was the last one, kUnbalanced (the
  // count stays 0) when none was held.
  Drop Release() {
    if (m_count == 0) return kUnbalanced;
    return --m_count == 0 ? kLast : kKept;
  }
  uint32_t Get() const { return m_count; }

 private:
  uint32_t m_count;
};

template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  ~Ref() { Reset(); }

  // Takes over a reference the caller already holds (a factory's result).
  static Ref Adopt(T* object) {
    Ref ref;
    ref.m_object = object;
    return ref;
  }
  // Adds a reference of its own to an object someone else keeps.
  static Ref Share(T* object) {
    if (object) object->AddRef();
    return Adopt(object);
  }

  Ref(const Ref& other) : m_object(other.m_object) {
    if (m_object) m_object->AddRef();
  }
  Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  Ref& operator=(const Ref& other) {
    if (this != &other) *this = Share(other.m_object);
    return *this;
  }
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      Reset();
      m_object = std::exchange(other.m_object, nullptr);
    }
    return *this;
  }

  // Drops the held reference, if any.
  void Reset() {
    if (T* object = std::exchange(m_object, nullptr)) object->Release();
  }
  // Gives the held reference to the caller, who must release it.
  [[nodiscard]] T* Detach() { return std::exchange(m_object, nullptr); }

  T* Get() const { return m_object; }
  T* operator->() const { return m_object; }
  T& operator*() const { return *m_object; }
  explicit operator bool() const { return m_object != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.m_object == b.m_object; }
  friend bool operator==(const Ref& a, const T* b) { return a.m_object == b; }

 private:
  T* m_object = nullptr;
};
