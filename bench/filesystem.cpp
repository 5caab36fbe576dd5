// filesystem.cpp - reading a few thousand small files through FileSystem::File, from a
// directory and from a stored ".pak", against raw PhysFS on the same mounts
// and against plain fopen/fread of the same native files.
#include "tier0/FileSystem.h"

#include "common/StoredZip.h"

#include <benchmark/benchmark.h>
#include <physfs.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kFileCount = 2000;
constexpr size_t kFileSize = 1024;

std::string g_root;                // scratch folder with dir/ and data.pak
std::vector<std::string> g_names;  // "fNNNN.bin"
char g_buffer[kFileSize * 4];

void MakeData() {
  char tmpl[] = "/tmp/kaz_bench_fs_XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  g_root = tmpl;
  std::filesystem::create_directories(g_root + "/dir");
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < kFileCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "f%04d.bin", i);
    g_names.push_back(name);
    std::string data(kFileSize, '\0');
    for (size_t k = 0; k < data.size(); ++k) data[k] = char((k * 31 + i) & 0xFF);
    std::ofstream(g_root + "/dir/" + name, std::ios::binary) << data;
    entries.emplace_back(name, data);
  }
  std::ofstream(g_root + "/data.pak", std::ios::binary) << kaztest::StoredZip(entries);
}

// Both layers read the same mounts: the directory under "d/", the archive under "p/".
void Mount() {
  FileSystem::Init("bench_filesystem");
  if (!PHYSFS_mount((g_root + "/dir").c_str(), "d", 1) ||
      !PHYSFS_mount((g_root + "/data.pak").c_str(), "p", 1))
    std::abort();
}

void ReadAllThroughFile(benchmark::State& state, const char* prefix) {
  for (auto _ : state) {
    size_t total = 0;
    for (const std::string& name : g_names) {
      FileSystem::File f(std::string(prefix) + name, 'r');
      total += f.Read(g_buffer, f.GetLength());
    }
    if (total != kFileCount * kFileSize) state.SkipWithError("short read");
    benchmark::DoNotOptimize(g_buffer);
  }
  state.SetItemsProcessed(state.iterations() * kFileCount);
}

void ReadAllThroughPhysfs(benchmark::State& state, const char* prefix) {
  for (auto _ : state) {
    size_t total = 0;
    for (const std::string& name : g_names) {
      PHYSFS_File* f = PHYSFS_openRead((std::string(prefix) + name).c_str());
      if (!f) continue;
      PHYSFS_sint64 len = PHYSFS_fileLength(f);
      PHYSFS_sint64 got = PHYSFS_readBytes(f, g_buffer, PHYSFS_uint64(len));
      total += got > 0 ? size_t(got) : 0;
      PHYSFS_close(f);
    }
    if (total != kFileCount * kFileSize) state.SkipWithError("short read");
    benchmark::DoNotOptimize(g_buffer);
  }
  state.SetItemsProcessed(state.iterations() * kFileCount);
}

void BM_Fread(benchmark::State& state) {
  const std::string dir = g_root + "/dir/";
  for (auto _ : state) {
    size_t total = 0;
    for (const std::string& name : g_names) {
      FILE* f = std::fopen((dir + name).c_str(), "rb");
      if (!f) continue;
      std::fseek(f, 0, SEEK_END);
      long len = std::ftell(f);
      std::fseek(f, 0, SEEK_SET);
      total += std::fread(g_buffer, 1, size_t(len), f);
      std::fclose(f);
    }
    if (total != kFileCount * kFileSize) state.SkipWithError("short read");
    benchmark::DoNotOptimize(g_buffer);
  }
  state.SetItemsProcessed(state.iterations() * kFileCount);
}

void BM_PhysfsDir(benchmark::State& state) {
  ReadAllThroughPhysfs(state, "d/");
}
void BM_FileDir(benchmark::State& state) {
  ReadAllThroughFile(state, "d/");
}
void BM_PhysfsPak(benchmark::State& state) {
  ReadAllThroughPhysfs(state, "p/");
}
void BM_FilePak(benchmark::State& state) {
  ReadAllThroughFile(state, "p/");
}

BENCHMARK(BM_Fread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhysfsDir)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileDir)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhysfsPak)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilePak)->Unit(benchmark::kMillisecond);

// Prints the console table, then our layer's cost relative to its baselines
// (CPU time is the steadier figure on a loaded machine).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred && run.iterations > 0)
        times_[run.benchmark_name()] = {run.real_accumulated_time / double(run.iterations),
                                        run.cpu_accumulated_time / double(run.iterations)};
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    Ratio("BM_FileDir", "BM_PhysfsDir");
    Ratio("BM_FilePak", "BM_PhysfsPak");
    Ratio("BM_PhysfsDir", "BM_Fread");
    Ratio("BM_FileDir", "BM_Fread");
    Ratio("BM_FilePak", "BM_Fread");
  }

 private:
  void Ratio(const char* a, const char* b) {
    auto ia = times_.find(a), ib = times_.find(b);
    if (ia != times_.end() && ib != times_.end() && ib->second.first > 0 && ib->second.second > 0)
      std::printf("ratio %-14s / %-14s = %.3f real, %.3f cpu\n", a, b,
                  ia->second.first / ib->second.first, ia->second.second / ib->second.second);
  }
  std::map<std::string, std::pair<double, double>> times_;  // real, cpu per iteration
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  MakeData();
  Mount();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  FileSystem::Uninit();
  std::error_code ec;
  std::filesystem::remove_all(g_root, ec);
  benchmark::Shutdown();
  return 0;
}
