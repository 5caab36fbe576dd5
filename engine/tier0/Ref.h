// Ref.h - an owning handle to an intrusively reference-counted object.
//
// Pooled objects, resources and device objects all count their own references
// through AddRef()/Release(); Ref<T> holds exactly one of those references and
// drops it when it goes, so callers never write the pair by hand. A factory
// hands out one reference: take it with Ref<T>::Adopt. To keep an object some
// other owner holds, take a new reference with Ref<T>::Share.
//
// Builds on nothing but the AddRef()/Release() members of T.
#pragma once

#include <cstddef>
#include <utility>

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
