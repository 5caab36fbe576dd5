// ObjectPool.cpp - block growth, allocation, freeing and the pool registry.
#include "tier0/ObjectPool.h"

#include "base/Log.h"

static_assert(sizeof(PoolBlock) % ObjectPool::kBlockAlignment == 0,
              "objects follow the block header at full alignment");

namespace {
// Head of the registry of pools that have obtained blocks.
constinit ObjectPool* g_firstPool = nullptr;
}  // namespace

// ---- PooledObject ----

ObjectPool* PooledObject::GetPool() const {
  return m_block ? m_block->pool : nullptr;
}

PooledObject* PooledObject::GetNextInUse() const {
  return m_block ? ObjectPool::FirstLive(m_block->next) : nullptr;
}

void PooledObject::ReportBadRelease(RefCount::Drop drop) {
  if (drop == RefCount::kUnbalanced) {
    LogError("PooledObject: Release of an object that holds no reference");
  } else {
    // Not from a pool (or still being constructed): nothing can take it back.
    LogError("PooledObject: last reference released on an object outside any pool");
  }
}

// ---- ObjectPool ----

ObjectPool::~ObjectPool() {
  if (!m_registered) return;
  if (m_prevPool)
    m_prevPool->m_nextPool = m_nextPool;
  else
    g_firstPool = m_nextPool;
  if (m_nextPool) m_nextPool->m_prevPool = m_prevPool;
  m_registered = false;
}

void ObjectPool::Register() {
  m_prevPool = nullptr;
  m_nextPool = g_firstPool;
  if (g_firstPool) g_firstPool->m_prevPool = this;
  g_firstPool = this;
  m_registered = true;
}

bool ObjectPool::Grow() {
  if (!m_registered) Register();
  for (uint32_t i = 0; i < m_growCount; ++i) {
    void* raw = ::operator new(sizeof(PoolBlock) + m_blockSize, std::nothrow);
    if (!raw) {
      LogError("ObjectPool: out of memory growing the %s pool (%u blocks of %u bytes)", m_className,
               m_growCount, m_blockSize);
      return i > 0;
    }
    PoolBlock* block = static_cast<PoolBlock*>(raw);
    block->pool = this;
    block->object = nullptr;
    ++m_blockCount;
    PushFree(block);
  }
  return true;
}

void ObjectPool::Discard(void* memory) {
  PoolBlock* block = BlockOf(memory);
  block->object = nullptr;
  UnlinkInUse(block);
  PushFree(block);
}

void ObjectPool::ReportForeign() const {
  LogError("ObjectPool: the %s pool was asked to free an object it does not hold", m_className);
}

void ObjectPool::ReportOversize(size_t size) const {
  LogError("ObjectPool: a %zu-byte object does not fit the %u-byte blocks of the %s pool", size,
           m_blockSize, m_className);
}

bool ObjectPool::ReleaseBlocks() {
  if (m_inUseCount != 0) return false;
  while (m_freeHead) {
    PoolBlock* block = m_freeHead;
    m_freeHead = block->next;
    Unpoison(block);
    ::operator delete(block);
  }
  m_freeCount = 0;
  m_blockCount = 0;
  return true;
}

PooledObject* ObjectPool::FirstLive(PoolBlock* block) {
  while (block && !block->object) block = block->next;
  return block ? block->object : nullptr;
}

PooledObject* ObjectPool::GetFirstInUse() const {
  return FirstLive(m_inUseHead);
}

ObjectPool* ObjectPool::GetFirstPool() {
  return g_firstPool;
}

uint32_t ObjectPool::ReportLeaks() {
  uint32_t total = 0;
  for (ObjectPool* pool = g_firstPool; pool; pool = pool->m_nextPool) {
    if (pool->m_inUseCount == 0) continue;
    LogWarning("ObjectPool: %u %s object(s) still in use at shutdown", pool->m_inUseCount,
               pool->m_className);
    total += pool->m_inUseCount;
  }
  return total;
}

void ObjectPool::LogStatistics() {
  for (ObjectPool* pool = g_firstPool; pool; pool = pool->m_nextPool)
    LogMessage("%s: %u in use, %u free", pool->m_className, pool->m_inUseCount, pool->m_freeCount);
}
