// xml.cpp - parsing a generated definition document of a few hundred kilobytes, against
// a plain byte scan of the same text (the floor any reader pays).
#include "tier0/Xml.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

// A dynamic-mesh definition blown up to many pieces, animations and materials.
std::string MakeDocument() {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<DynamicMesh version=\"1.0\" skeleton=\"models/hero/hero.csf\">\n";
  for (int i = 0; text.size() < 300 * 1024; ++i) {
    std::string n = std::to_string(i);
    text += "  <Piece filename=\"models/hero/piece" + n + ".cmf\" name=\"Piece" + n +
            "\" visible=\"1\"/>\n";
    text += "  <Animation filename=\"models/hero/anim" + n + ".caf\" name=\"anim_" + n +
            "\"></Animation>\n";
    text += "  <Material name=\"Material" + n + "\">\n    <Map file=\"tex" + n +
            ".png\" />\n  </Material>\n";
  }
  text += "</DynamicMesh>\n";
  return text;
}

const std::string& Document() {
  static const std::string text = MakeDocument();
  return text;
}

void BM_ScanBaseline(benchmark::State& state) {
  const std::string& text = Document();
  for (auto _ : state) {
    // Counts tags and quotes: one pass touching every byte.
    size_t tags = std::count(text.begin(), text.end(), '<');
    size_t quotes = std::count(text.begin(), text.end(), '"');
    benchmark::DoNotOptimize(tags + quotes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

void BM_ParseMemory(benchmark::State& state) {
  const std::string& text = Document();
  for (auto _ : state) {
    XmlReader reader;
    reader.InitMemory(text.data(), text.size());
    XmlElement root;
    if (!root.ParseDocument(reader)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(root.GetChildCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

struct Cursor {
  const std::string* text;
  size_t pos;
};

int ReadByte(void* handle, void* buffer, int size) {
  auto* c = static_cast<Cursor*>(handle);
  if (c->pos >= c->text->size()) return 0;
  *static_cast<char*>(buffer) = (*c->text)[c->pos++];
  return 1;
}

void BM_ParseCallback(benchmark::State& state) {
  const std::string& text = Document();
  for (auto _ : state) {
    Cursor cursor{&text, 0};
    XmlReader reader(ReadByte, &cursor);
    XmlElement root;
    if (!root.ParseDocument(reader)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(root.GetChildCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

}  // namespace

BENCHMARK(BM_ScanBaseline);
BENCHMARK(BM_ParseMemory);
BENCHMARK(BM_ParseCallback);
BENCHMARK_MAIN();
