// filewatch.cpp - what watching the package folders costs a frame in which
// nothing was saved: the watcher's poll over a tree of folders, against the
// least any poll can cost, one non-blocking read of an empty pipe.
#include "tier0/FileWatcher.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A package-like tree: `folders` folders two deep, a file in each.
std::string MakeTree(int folders) {
  char pattern[] = "/tmp/kaz_bench_watch_XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  for (int i = 0; i < folders; ++i) {
    const std::string folder =
        std::string(pattern) + "/Area" + std::to_string(i % 10) + "/Part" + std::to_string(i);
    std::filesystem::create_directories(folder);
    if (FILE* f = std::fopen((folder + "/file.txt").c_str(), "w")) std::fclose(f);
  }
  return pattern;
}

void PollWithNothingSaved(benchmark::State& state) {
  const std::string root = MakeTree(int(state.range(0)));
  std::string reason;
  std::unique_ptr<FileWatcher> watcher = CreateFileWatcher(&reason);
  if (!watcher || !watcher->AddTree(root, &reason)) {
    state.SkipWithError(reason.c_str());
    return;
  }
  std::vector<std::string> changed;
  for (auto _ : state) {
    benchmark::DoNotOptimize(watcher->Poll(&changed));
  }
  state.counters["folders"] = double(watcher->GetFolderCount());
  watcher.reset();
  std::filesystem::remove_all(root);
}
BENCHMARK(PollWithNothingSaved)->Arg(10)->Arg(200);

void BaselineEmptyPipeRead(benchmark::State& state) {
  int ends[2];
  if (pipe2(ends, O_NONBLOCK) != 0) {
    state.SkipWithError("no pipe");
    return;
  }
  char buffer[256];
  for (auto _ : state) {
    benchmark::DoNotOptimize(read(ends[0], buffer, sizeof(buffer)));
  }
  close(ends[0]);
  close(ends[1]);
}
BENCHMARK(BaselineEmptyPipeRead);

}  // namespace

BENCHMARK_MAIN();
