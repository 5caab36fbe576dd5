// cvar.cpp - console variable lookup by name against a plain std::unordered_map<std::string, int>
// holding the same names (the baseline), plus the typed member read engine code uses.
// Each iteration looks up all 36 built-in names once.
#include "console/CVarRegistry.h"

#include <benchmark/benchmark.h>

#include <cctype>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

std::vector<std::string> BuiltinNames(bool lowerCase) {
  std::vector<CVar*> all;
  CVarRegistry::Instance().ListAll(all);
  std::vector<std::string> names;
  for (const CVar* cvar : all) {
    if (!cvar->IsStatic()) continue;
    std::string name = cvar->GetName();
    if (lowerCase)
      for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    names.push_back(name);
  }
  return names;
}

void BM_BaselineUnorderedMap(benchmark::State& state) {
  const std::vector<std::string> names = BuiltinNames(false);
  std::unordered_map<std::string, int> map;
  for (size_t i = 0; i < names.size(); ++i) map.emplace(names[i], static_cast<int>(i));
  for (auto _ : state) {
    for (const std::string& name : names) {
      auto it = map.find(name);
      benchmark::DoNotOptimize(it);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}
BENCHMARK(BM_BaselineUnorderedMap);

// Arg 1: the names in lower case, as a player may type them.
void BM_CVarFind(benchmark::State& state) {
  const std::vector<std::string> names = BuiltinNames(state.range(0) != 0);
  const CVarRegistry& registry = CVarRegistry::Instance();
  for (auto _ : state) {
    for (const std::string& name : names) {
      CVar* cvar = registry.Find(name);
      benchmark::DoNotOptimize(cvar);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}
BENCHMARK(BM_CVarFind)->Arg(0)->Arg(1);

void BM_CVarGetIntByName(benchmark::State& state) {
  const CVarRegistry& registry = CVarRegistry::Instance();
  for (auto _ : state) {
    int32_t value = registry.GetInt("ResX");
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_CVarGetIntByName);

void BM_CVarTypedMember(benchmark::State& state) {
  for (auto _ : state) {
    int32_t value = CVarRegistry::Instance().ResX.Get();
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_CVarTypedMember);

}  // namespace

BENCHMARK_MAIN();
