// ObjectPool.h - per-class pools of fixed-size blocks and the intrusively
// reference-counted PooledObject every pooled engine class derives from.
//
// One pool per class, a global created by constant initialisation (so it is
// ready before any dynamic initialiser or engine code runs). A pool grows by
// its grow count, hands out blocks last-freed-first, and never returns blocks
// to the heap while the program runs; at exit the blocks are simply left.
// Live objects are kept on the pool's in-use list (newest first) so that the
// video manager can walk every GPU object of a class on device loss.
//
// Reference counting: a factory returns an object holding one reference;
// AddRef/Release count up and down; the Release that drops the last reference
// destroys the object and returns its block to the pool. Game thread only: no
// locks, no atomics.
//
// Declaring a pooled class:
//   class Material : public PooledObject {
//     KAZ_POOLED_CLASS(Material)     // first thing in the body; leaves access private
//    public: ...
//   };
//   KAZ_DEFINE_POOL(Material, 10)    // in exactly one .cpp
//   Material* m = Material::Create(); ... m->Release();
// The class-scope Create() hides same-named members of a base class; classes
// that also inherit a Create(...) member re-expose it with a using-declaration.
//
// Depends on tier0/Ref.h (the count), base/Log.h (in the .cpp) for error and
// leak reports.
#pragma once

#include "tier0/Ref.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#ifdef KAZ_ASAN
#include <sanitizer/asan_interface.h>
#endif

class ObjectPool;
class PooledObject;

// Bookkeeping in front of every block. It lives outside the object so that
// constructing or destroying the object never disturbs the list links.
struct alignas(alignof(std::max_align_t)) PoolBlock {
  ObjectPool* pool;  // set when the block is obtained from the heap, never changed
  PoolBlock* prev;   // links of the in-use or free list the block is on
  PoolBlock* next;
  PooledObject* object;  // the live object; null while free or under construction
};

class PooledObject {
 public:
  PooledObject(const PooledObject&) = delete;
  PooledObject& operator=(const PooledObject&) = delete;

  void AddRef() { m_refs.Add(); }
  void Release();
  uint32_t GetRefCount() const { return m_refs.Get(); }

  // The pool the object's block came from (null for an object not made by a pool).
  ObjectPool* GetPool() const;
  // Next live object of the same pool, newest to oldest. Take it before
  // releasing the current one when releasing along the way.
  PooledObject* GetNextInUse() const;

 protected:
  PooledObject() = default;
  // Pooled objects are destroyed only by their pool.
  virtual ~PooledObject() = default;

 private:
  friend class ObjectPool;
  // A Release that can free nothing: unbalanced, or the last reference of an
  // object no pool holds. Logs.
  void ReportBadRelease(RefCount::Drop drop);

  RefCount m_refs;
  PoolBlock* m_block = nullptr;
};

class ObjectPool {
 public:
  // Blocks are aligned for any fundamental type, no more.
  static constexpr size_t kBlockAlignment = alignof(std::max_align_t);

  // A non-lazy pool grows once immediately; the engine's pools are all lazy.
  constexpr ObjectPool(uint32_t blockSize, uint32_t growCount, const char* className, bool lazy)
      : m_blockSize(blockSize), m_growCount(growCount ? growCount : 1), m_className(className) {
    if (!lazy && !std::is_constant_evaluated()) Grow();
  }
  // Leaves the blocks alone: objects may still be released during static destruction.
  virtual ~ObjectPool();

  ObjectPool(const ObjectPool&) = delete;
  ObjectPool& operator=(const ObjectPool&) = delete;

  // An unconstructed block on the in-use list, or null when the heap is exhausted.
  void* Allocate() {
    if (!m_freeHead && !Grow()) return nullptr;
    PoolBlock* block = m_freeHead;
    m_freeHead = block->next;
    if (m_freeHead) m_freeHead->prev = nullptr;
    --m_freeCount;

    block->prev = nullptr;
    block->next = m_inUseHead;
    if (m_inUseHead) m_inUseHead->prev = block;
    m_inUseHead = block;
    ++m_inUseCount;

    Unpoison(block);
    return MemoryOf(block);
  }

  // Destroys the object and puts its block at the head of the free list.
  void Free(PooledObject* object) {
    if (!object) return;
    PoolBlock* block = object->m_block;
    if (!block || block->pool != this || block->object != object) {
      ReportForeign();
      return;
    }
    // The destructor may release other objects of this pool; the lists are
    // only touched once it has finished.
    object->~PooledObject();
    block->object = nullptr;
    UnlinkInUse(block);
    PushFree(block);
  }

  // Allocate + construct + one reference. Null (logged) when no block can be had.
  template <class T, class... Args>
  T* Create(Args&&... args);

  // Returns every block to the heap; only when nothing is in use (tests, tools).
  bool ReleaseBlocks();

  uint32_t GetBlockSize() const { return m_blockSize; }
  uint32_t GetGrowCount() const { return m_growCount; }
  uint32_t GetInUseCount() const { return m_inUseCount; }
  uint32_t GetFreeCount() const { return m_freeCount; }
  uint32_t GetBlockCount() const { return m_blockCount; }
  const char* GetClassName() const { return m_className; }
  // Newest live object first; see PooledObject::GetNextInUse.
  PooledObject* GetFirstInUse() const;

  // Every pool that has obtained blocks, for statistics and the leak report.
  static ObjectPool* GetFirstPool();
  ObjectPool* GetNextPool() const { return m_nextPool; }
  // One warning per pool with live objects; returns the number of live objects.
  static uint32_t ReportLeaks();
  // One line per pool: class, in use, free.
  static void LogStatistics();

 private:
  friend class PooledObject;

  static PoolBlock* BlockOf(void* memory) { return static_cast<PoolBlock*>(memory) - 1; }
  static void* MemoryOf(PoolBlock* block) { return block + 1; }
  static PooledObject* FirstLive(PoolBlock* block);

  // Free blocks are poisoned under AddressSanitizer so that a use after the
  // last Release is caught although the memory never goes back to the heap.
  void Poison(PoolBlock* block) const {
#ifdef KAZ_ASAN
    ASAN_POISON_MEMORY_REGION(MemoryOf(block), m_blockSize);
#else
    (void)block;
#endif
  }
  void Unpoison(PoolBlock* block) const {
#ifdef KAZ_ASAN
    ASAN_UNPOISON_MEMORY_REGION(MemoryOf(block), m_blockSize);
#else
    (void)block;
#endif
  }

  bool Grow();
  void Register();
  void UnlinkInUse(PoolBlock* block) {
    --m_inUseCount;
    if (m_inUseHead == block) m_inUseHead = block->next;
    if (block->prev) block->prev->next = block->next;
    if (block->next) block->next->prev = block->prev;
  }
  void PushFree(PoolBlock* block) {
    block->prev = nullptr;
    block->next = m_freeHead;
    if (m_freeHead) m_freeHead->prev = block;
    m_freeHead = block;
    ++m_freeCount;
    Poison(block);
  }
  void Bind(void* memory, PooledObject* object) {
    PoolBlock* block = BlockOf(memory);
    block->object = object;
    object->m_block = block;
  }
  void Discard(void* memory);
  void ReportOversize(size_t size) const;
  void ReportForeign() const;

  uint32_t m_blockSize;
  uint32_t m_growCount;
  const char* m_className;
  PoolBlock* m_inUseHead = nullptr;
  PoolBlock* m_freeHead = nullptr;
  uint32_t m_inUseCount = 0;
  uint32_t m_freeCount = 0;
  uint32_t m_blockCount = 0;
  bool m_registered = false;
  ObjectPool* m_prevPool = nullptr;
  ObjectPool* m_nextPool = nullptr;
};

inline void PooledObject::Release() {
  RefCount::Drop drop = m_refs.Release();
  if (drop == RefCount::kKept) return;
  if (drop == RefCount::kLast && m_block) {
    m_block->pool->Free(this);
  } else {
    ReportBadRelease(drop);
  }
}

template <class T, class... Args>
T* ObjectPool::Create(Args&&... args) {
  static_assert(std::is_base_of_v<PooledObject, T>, "pooled classes derive from PooledObject");
  static_assert(alignof(T) <= kBlockAlignment, "over-aligned classes cannot be pooled");
  if (sizeof(T) > m_blockSize) {
    ReportOversize(sizeof(T));
    return nullptr;
  }
  void* memory = Allocate();
  if (!memory) return nullptr;
  T* object;
  try {
    object = ::new (memory) T(std::forward<Args>(args)...);
  } catch (...) {
    Discard(memory);
    throw;
  }
  Bind(memory, object);
  object->AddRef();
  return object;
}

// Declares the class's pool and its factory; place first in the class body.
#define KAZ_POOLED_CLASS(Class)    \
 public:                           \
  static ObjectPool s_pool;        \
  static Class* Create() {         \
    return s_pool.Create<Class>(); \
  }                                \
                                   \
 private:                          \
  friend class ObjectPool;

// Defines the pool (constant-initialised, lazy) in one source file.
#define KAZ_DEFINE_POOL(Class, growCount) KAZ_DEFINE_POOL_NAMED(Class, growCount, #Class)
// The same under a name of its own: the name pool reports and leak lines
// show, kept when a class is renamed.
#define KAZ_DEFINE_POOL_NAMED(Class, growCount, name) \
  constinit ObjectPool Class::s_pool(sizeof(Class), growCount, name, true)
