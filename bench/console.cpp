// console.cpp - console printing throughput against writing the same lines with fwrite.
//
// The console converts tags, keeps the line buffer, strips escapes for the log
// file and flushes it after every print; the baselines write the same lines
// straight to a file, buffered and flushed per line.
#include "console/Console.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::vector<std::string>& Lines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> out;
    for (int i = 0; i < 256; ++i) {
      switch (i % 4) {
        case 0:
          out.push_back("[orange]WARNING: [white]Failed to load texture Textures/rock_" +
                        std::to_string(i) + ".png");
          break;
        case 1:
          out.push_back("[grey]Loaded static mesh Meshes/crate" + std::to_string(i) +
                        ".msh (1432 vertices)");
          break;
        case 2:
          out.push_back("[cyan]Particles[grey] : [white]" + std::to_string(i * 17));
          break;
        default:
          out.push_back("Executing console script [grey]config/cove.cfg[white]... line " +
                        std::to_string(i));
          break;
      }
    }
    return out;
  }();
  return lines;
}

std::string BenchPath(const char* name) {
  return "/tmp/bench_console_" + std::to_string(getpid()) + "_" + name;
}

// Arg 1: flushed after every line, as the console flushes its log file.
void BM_Fwrite(benchmark::State& state) {
  const auto& lines = Lines();
  const bool flush = state.range(0) != 0;
  std::string path = BenchPath(flush ? "fflush.log" : "fwrite.log");
  FILE* f = fopen(path.c_str(), "w");
  size_t i = 0;
  for (auto _ : state) {
    const std::string& line = lines[i++ & 255];
    fwrite(line.data(), 1, line.size(), f);
    fputc('\n', f);
    if (flush) fflush(f);
  }
  fclose(f);
  remove(path.c_str());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Fwrite)->Arg(0)->Arg(1);

void BM_ConsolePrint(benchmark::State& state) {
  const auto& lines = Lines();
  Console console;
  size_t i = 0;
  for (auto _ : state) console.Print(lines[i++ & 255], false);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConsolePrint);

void BM_ConsolePrintLogFile(benchmark::State& state) {
  const auto& lines = Lines();
  std::string path = BenchPath("kaz.log");
  Console console;
  if (!console.OpenLogFile(path)) {
    state.SkipWithError("cannot create the log file");
    return;
  }
  size_t i = 0;
  for (auto _ : state) console.Print(lines[i++ & 255], false);
  console.CloseLogFile();
  remove(path.c_str());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConsolePrintLogFile);

// As the engine runs it: log file and an output hook that copies the text.
void BM_ConsolePrintLogFileHook(benchmark::State& state) {
  const auto& lines = Lines();
  std::string path = BenchPath("kaz_hook.log");
  Console console;
  std::string sink;
  console.SetOutputHook(
      [](const char* text, bool, void* user) { *static_cast<std::string*>(user) = text; }, &sink);
  if (!console.OpenLogFile(path)) {
    state.SkipWithError("cannot create the log file");
    return;
  }
  size_t i = 0;
  for (auto _ : state) console.Print(lines[i++ & 255], false);
  console.CloseLogFile();
  remove(path.c_str());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConsolePrintLogFileHook);

}  // namespace

BENCHMARK_MAIN();
