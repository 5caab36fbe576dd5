// ObjectPoolTest.cpp - object pools and reference counting: growth, reuse
// order, counts, lifetimes.
#include "tier0/ObjectPool.h"

#include "common/LogCapture.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {
int g_constructed = 0;
int g_destroyed = 0;

class Counted : public PooledObject {
 public:
  explicit Counted(int value = 0) : value(value) { ++g_constructed; }
  ~Counted() override { ++g_destroyed; }
  int value;
  char payload[40] = {};
};

// Holds a reference to another object of its pool and drops it when destroyed.
class Holder : public PooledObject {
 public:
  explicit Holder(PooledObject* held) : held_(held) {
    if (held_) held_->AddRef();
  }
  ~Holder() override {
    if (held_) held_->Release();
  }

 private:
  PooledObject* held_;
};

class Throwing : public PooledObject {
 public:
  Throwing() { throw std::runtime_error("no"); }
};

struct Big : PooledObject {
  char bytes[1024];
};

// A class declared the way engine classes are.
class Widget : public PooledObject {
  KAZ_POOLED_CLASS(Widget)
 public:
  int id = 7;
};
KAZ_DEFINE_POOL(Widget, 3);

class ObjectPoolTest : public ::testing::Test {
 protected:
  void SetUp() override { g_constructed = g_destroyed = 0; }
  void TearDown() override { EXPECT_TRUE(pool_.ReleaseBlocks()) << "objects left alive"; }
  void ExpectCountsAddUp() const {
    EXPECT_EQ(pool_.GetInUseCount() + pool_.GetFreeCount(), pool_.GetBlockCount());
  }
  std::vector<PooledObject*> InUse() const {
    std::vector<PooledObject*> list;
    for (PooledObject* o = pool_.GetFirstInUse(); o; o = o->GetNextInUse()) list.push_back(o);
    return list;
  }

  ObjectPool pool_{sizeof(Holder) > sizeof(Counted) ? sizeof(Holder) : sizeof(Counted), 10,
                   "Counted", true};
  kaztest::LogCapture log_;
};
}  // namespace

TEST_F(ObjectPoolTest, GrowsLazilyInStepsOfTheGrowCount) {
  EXPECT_EQ(pool_.GetBlockCount(), 0u);
  ObjectPool eager(16, 4, "Eager", false);
  EXPECT_EQ(eager.GetFreeCount(), 4u);
  EXPECT_TRUE(eager.ReleaseBlocks());

  std::vector<Counted*> objects;
  objects.push_back(pool_.Create<Counted>());
  EXPECT_EQ(pool_.GetBlockCount(), 10u);
  EXPECT_EQ(pool_.GetInUseCount(), 1u);
  EXPECT_EQ(pool_.GetFreeCount(), 9u);
  while (objects.size() < 10) {
    objects.push_back(pool_.Create<Counted>());
    ExpectCountsAddUp();
  }
  EXPECT_EQ(pool_.GetFreeCount(), 0u);
  objects.push_back(pool_.Create<Counted>());  // the 11th
  EXPECT_EQ(pool_.GetBlockCount(), 20u);
  EXPECT_EQ(pool_.GetFreeCount(), 9u);
  for (Counted* o : objects) {
    o->Release();
    ExpectCountsAddUp();
  }
  EXPECT_EQ(pool_.GetInUseCount(), 0u);
  EXPECT_EQ(pool_.GetBlockCount(), 20u);  // never shrinks
  EXPECT_EQ(g_destroyed, 11);
  objects.assign(1, pool_.Create<Counted>());
  EXPECT_FALSE(pool_.ReleaseBlocks());  // not while objects live
  objects[0]->Release();
}

TEST_F(ObjectPoolTest, LastReleaseDestroysOnceAndBlocksAreReusedLastFreedFirst) {
  Counted* a = pool_.Create<Counted>(42);
  EXPECT_EQ(a->GetRefCount(), 1u);
  EXPECT_EQ(a->value, 42);
  EXPECT_EQ(a->GetPool(), &pool_);
  Counted* b = pool_.Create<Counted>();
  void* blockA = a;
  void* blockB = b;
  a->AddRef();
  a->Release();
  EXPECT_EQ(g_destroyed, 0);  // a release that is not the last
  EXPECT_EQ(a->GetRefCount(), 1u);
  a->Release();
  b->Release();
  EXPECT_EQ(g_destroyed, 2);
  Counted* first = pool_.Create<Counted>();
  Counted* second = pool_.Create<Counted>();
  EXPECT_EQ(static_cast<void*>(first), blockB);
  EXPECT_EQ(static_cast<void*>(second), blockA);
  first->Release();
  second->Release();
  EXPECT_EQ(g_destroyed, 4);
  EXPECT_EQ(g_constructed, 4);
}

TEST_F(ObjectPoolTest, InUseListIsNewestFirstAndSurvivesRemovalFromTheMiddle) {
  Counted* a = pool_.Create<Counted>();
  Counted* b = pool_.Create<Counted>();
  Counted* c = pool_.Create<Counted>();
  EXPECT_EQ(InUse(), (std::vector<PooledObject*>{c, b, a}));
  b->Release();
  EXPECT_EQ(InUse(), (std::vector<PooledObject*>{c, a}));
  c->Release();
  EXPECT_EQ(InUse(), std::vector<PooledObject*>{a});
  a->Release();
  EXPECT_TRUE(InUse().empty());
}

TEST_F(ObjectPoolTest, DestructorMayReleaseObjectsOfTheSamePool) {
  Counted* inner = pool_.Create<Counted>();
  Holder* outer = pool_.Create<Holder>(inner);
  inner->Release();  // the holder keeps it
  EXPECT_EQ(g_destroyed, 0);
  outer->Release();
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_EQ(pool_.GetInUseCount(), 0u);
  ExpectCountsAddUp();
  EXPECT_TRUE(InUse().empty());
}

TEST_F(ObjectPoolTest, ThrowingConstructorReturnsTheBlock) {
  ObjectPool pool(sizeof(Throwing), 2, "Throwing", true);
  EXPECT_THROW(pool.Create<Throwing>(), std::runtime_error);
  EXPECT_EQ(pool.GetInUseCount(), 0u);
  EXPECT_EQ(pool.GetFreeCount(), 2u);
  EXPECT_EQ(pool.GetFirstInUse(), nullptr);
  EXPECT_TRUE(pool.ReleaseBlocks());
}

TEST_F(ObjectPoolTest, OversizedObjectIsRefused) {
  EXPECT_EQ(pool_.Create<Big>(), nullptr);
  EXPECT_EQ(log_.Problems(), 1);
  EXPECT_EQ(log_.Count("Counted"), 1);
  EXPECT_EQ(pool_.GetInUseCount(), 0u);
}

TEST_F(ObjectPoolTest, UnbalancedReleaseIsReportedNotWrapped) {
  Counted loose;  // not from a pool
  loose.Release();
  EXPECT_EQ(loose.GetRefCount(), 0u);
  loose.AddRef();
  loose.Release();
  EXPECT_EQ(g_destroyed, 0);
  EXPECT_EQ(log_.Problems(), 2);
}

TEST_F(ObjectPoolTest, FreeRefusesObjectsOfAnotherPool) {
  ObjectPool other(sizeof(Counted), 1, "Other", true);
  Counted* o = other.Create<Counted>();
  pool_.Free(o);
  EXPECT_EQ(g_destroyed, 0);
  EXPECT_EQ(log_.Problems(), 1);
  o->Release();
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_TRUE(other.ReleaseBlocks());
}

TEST_F(ObjectPoolTest, DeclaredClassUsesItsGlobalPool) {
  EXPECT_STREQ(Widget::s_pool.GetClassName(), "Widget");
  Widget* w = Widget::Create();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->id, 7);
  EXPECT_EQ(w->GetPool(), &Widget::s_pool);
  EXPECT_GE(Widget::s_pool.GetBlockCount(), 3u);

  bool listed = false;
  for (ObjectPool* p = ObjectPool::GetFirstPool(); p; p = p->GetNextPool())
    listed |= p == &Widget::s_pool;
  EXPECT_TRUE(listed);

  log_.Clear();
  EXPECT_EQ(ObjectPool::ReportLeaks(), 1u);
  EXPECT_EQ(log_.Count("ObjectPool: 1 Widget object(s) still in use at shutdown"), 1);
  EXPECT_EQ(log_.Lines().size(), 1u);
  w->Release();
  log_.Clear();
  EXPECT_EQ(ObjectPool::ReportLeaks(), 0u);
  EXPECT_TRUE(log_.Lines().empty());
}

#ifdef KAZ_ASAN
TEST_F(ObjectPoolTest, UseAfterLastReleaseIsCaught) {
  Counted* o = pool_.Create<Counted>();
  o->Release();
  EXPECT_DEATH(o->AddRef(), "use-after-poison");
}
#endif
