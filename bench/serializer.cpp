// serializer.cpp - decoding a packed mesh-like block through MemReadSerializer against copying
// the same fields with inline memcpy (and against one memcpy of the block).
#include "tier0/Serializer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

// One record as a static mesh file would store a vertex: position, normal,
// texture coordinates as floats, then a 16-bit index and a 32-bit flag word.
constexpr int kRecords = 16384;
constexpr size_t kRecordBytes = 12 + 12 + 8 + 2 + 4;

struct Record {
  Vector3D position, normal;
  float u, v;
  uint16_t index;
  uint32_t flags;
};

std::vector<uint8_t> MakeBlock() {
  std::vector<uint8_t> block(kRecords * kRecordBytes);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 31 + 7);
  return block;
}

void BM_MemcpyWholeBlock(benchmark::State& state) {
  std::vector<uint8_t> block = MakeBlock();
  std::vector<uint8_t> out(block.size());
  for (auto _ : state) {
    std::memcpy(out.data(), block.data(), block.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(block.size()));
}

void BM_MemcpyFields(benchmark::State& state) {
  std::vector<uint8_t> block = MakeBlock();
  std::vector<Record> out(kRecords);
  for (auto _ : state) {
    const uint8_t* p = block.data();
    for (Record& r : out) {
      std::memcpy(&r.position, p, 12);
      p += 12;
      std::memcpy(&r.normal, p, 12);
      p += 12;
      std::memcpy(&r.u, p, 4);
      p += 4;
      std::memcpy(&r.v, p, 4);
      p += 4;
      std::memcpy(&r.index, p, 2);
      p += 2;
      std::memcpy(&r.flags, p, 4);
      p += 4;
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(block.size()));
}

void BM_SerializerFields(benchmark::State& state) {
  std::vector<uint8_t> block = MakeBlock();
  std::vector<Record> out(kRecords);
  for (auto _ : state) {
    MemReadSerializer reader(block.data(), static_cast<uint32_t>(block.size()));
    Serializer& s = reader;  // through the interface, as loaders use it
    for (Record& r : out) {
      s.DataVector3D(r.position);
      s.DataVector3D(r.normal);
      s.DataFloat(r.u);
      s.DataFloat(r.v);
      s.DataUInt16(r.index);
      s.DataUInt32(r.flags);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(block.size()));
}

void BM_SerializerRawBlock(benchmark::State& state) {
  std::vector<uint8_t> block = MakeBlock();
  std::vector<uint8_t> out(block.size());
  for (auto _ : state) {
    MemReadSerializer reader(block.data(), static_cast<uint32_t>(block.size()));
    reader.DataRaw(out.data(), static_cast<uint32_t>(out.size()));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(block.size()));
}

}  // namespace

BENCHMARK(BM_MemcpyWholeBlock);
BENCHMARK(BM_MemcpyFields);
BENCHMARK(BM_SerializerFields);
BENCHMARK(BM_SerializerRawBlock);
BENCHMARK_MAIN();
