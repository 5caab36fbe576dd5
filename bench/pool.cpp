// pool.cpp - pooled create/release against plain new/delete of the same object.
#include "tier0/ObjectPool.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {
// Roughly the size of a small world object or material.
class Pooled : public PooledObject {
  KAZ_POOLED_CLASS(Pooled)
 public:
  Pooled() = default;
  ~Pooled() override = default;
  float data[24] = {};
};
KAZ_DEFINE_POOL(Pooled, 10);

void BM_NewDelete_Single(benchmark::State& state) {
  for (auto _ : state) {
    Pooled* o = new Pooled();
    benchmark::DoNotOptimize(o);
    delete o;
  }
}
BENCHMARK(BM_NewDelete_Single);

void BM_Pool_Single(benchmark::State& state) {
  for (auto _ : state) {
    Pooled* o = Pooled::Create();
    benchmark::DoNotOptimize(o);
    o->Release();
  }
}
BENCHMARK(BM_Pool_Single);

// Many live at once, released oldest first (a world being cleared).
void BM_NewDelete_Batch(benchmark::State& state) {
  std::vector<Pooled*> live(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    for (Pooled*& o : live) o = new Pooled();
    benchmark::DoNotOptimize(live.data());
    for (Pooled* o : live) delete o;
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NewDelete_Batch)->Arg(256)->Arg(4096);

void BM_Pool_Batch(benchmark::State& state) {
  std::vector<Pooled*> live(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    for (Pooled*& o : live) o = Pooled::Create();
    benchmark::DoNotOptimize(live.data());
    for (Pooled* o : live) o->Release();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Pool_Batch)->Arg(256)->Arg(4096);
}  // namespace

BENCHMARK_MAIN();
