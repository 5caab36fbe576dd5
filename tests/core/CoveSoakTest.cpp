// CoveSoakTest.cpp - the demo's tour looped in one engine: the title, the play,
// the ending and, with Escape, back to the title and a fresh cove, lap after
// lap at a fixed frame time and 320x240 (the tour's input, less its F9s and its
// quit, every 1,000 frames). Every 500 frames it samples every object pool's
// objects in use, every resource manager's resources, the world's objects of
// each type and its particles, Python's objects, live OpenGL objects, OpenAL
// sources and buffers, open file descriptors, threads, resident memory and the
// heap in use. After a 1,000-frame warm-up every count must be what it was one
// lap (1,000 frames) earlier (the live particles excepted: they follow the
// emitters' random draws) and, from the second lap on, resident memory may grow
// by 2 MiB at most: the mean over the last lap's frames against the mean over
// the second lap's (read every 50 frames, so that where in a lap the collector
// or the allocator gives memory back cannot pass for growth); it prints the
// table and names whatever grows.
//
// CTest runs 3,500 frames (release build; the sanitizer builds skip it, a lap
// takes minutes there); KAZ_SOAK_FRAMES sets the length, tools/soak.sh runs the
// full 10,000.
#include "common/TestFiles.h"
#include "core/TestEngine.h"
#include "core/TourInput.h"
#include "script/PythonSupport.h"
#include "tier0/ObjectPool.h"
#include "tier0/ResourceManager.h"
#include "tier1/World.h"

#include <AL/al.h>
#include <GL/glcorearb.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr long kLap = 1000;
constexpr long kSampleEvery = 500;
constexpr long kMemoryEvery = 50;
constexpr long kWarmUp = 1000;
constexpr long kMemoryFrom = 2000;
constexpr long kTourEnd = 970;  // after the Escape that leaves the ending
constexpr double kMaxGrowthBytes = 2.0 * 1024 * 1024;
const char* const kMemory = "resident memory (bytes)";
const char* const kHeap = "heap in use (bytes)";
// Live particles follow the emitters' random draws, which run on from lap to
// lap: bounded by the systems (whose pool is counted), never the same twice.
const char* const kParticles = "world particles";

using Sample = std::map<std::string, double>;

long SoakFrames() {
  const char* text = std::getenv("KAZ_SOAK_FRAMES");
  const long frames = text ? std::atol(text) : 0;
  return frames > 0 ? frames : 3500;
}

bool UnderSanitizers() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  return true;
#endif
#endif
  return false;
}

long EntriesIn(const char* folder) {
  std::error_code error;
  long n = 0;
  for (auto it = fs::directory_iterator(folder, error); !error && it != fs::directory_iterator();
       it.increment(error))
    ++n;
  return n;
}

// Read after the allocator has given its free pages back: what the process
// holds, not the slack a fragmented heap keeps mapped.
double ResidentBytes() {
  malloc_trim(0);
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE));
}

// GL names are handed out upwards: one freshly made and deleted bounds the
// names in use, and each name below it is asked whether it is live.
using IsFn = GLboolean(APIENTRY*)(GLuint);
using GenFn = void(APIENTRY*)(GLsizei, GLuint*);
using DeleteFn = void(APIENTRY*)(GLsizei, const GLuint*);
long LiveGLNames(const char* kind) {
  const std::string suffix = kind;
  auto is = reinterpret_cast<IsFn>(SDL_GL_GetProcAddress(("glIs" + suffix).c_str()));
  auto gen = reinterpret_cast<GenFn>(SDL_GL_GetProcAddress(("glGen" + suffix + "s").c_str()));
  auto del = reinterpret_cast<DeleteFn>(SDL_GL_GetProcAddress(("glDelete" + suffix + "s").c_str()));
  if (!is || !gen || !del) return -1;
  GLuint top = 0;
  gen(1, &top);
  del(1, &top);
  long live = 0;
  for (GLuint name = 1; name < top + 64; ++name) live += is(name) ? 1 : 0;
  return live;
}

long LiveGLPrograms() {
  auto isProgram = reinterpret_cast<IsFn>(SDL_GL_GetProcAddress("glIsProgram"));
  auto isShader = reinterpret_cast<IsFn>(SDL_GL_GetProcAddress("glIsShader"));
  using CreateFn = GLuint(APIENTRY*)();
  using DeleteOne = void(APIENTRY*)(GLuint);
  auto create = reinterpret_cast<CreateFn>(SDL_GL_GetProcAddress("glCreateProgram"));
  auto destroy = reinterpret_cast<DeleteOne>(SDL_GL_GetProcAddress("glDeleteProgram"));
  if (!isProgram || !isShader || !create || !destroy) return -1;
  const GLuint top = create();
  destroy(top);
  long live = 0;
  for (GLuint name = 1; name < top + 64; ++name)
    live += (isProgram(name) ? 1 : 0) + (isShader(name) ? 1 : 0);
  return live;
}

// OpenAL Soft hands out the lowest free names, in blocks of 64.
long LiveALNames(ALboolean (*is)(ALuint)) {
  long live = 0;
  for (ALuint name = 1; name <= 4096; ++name) live += is(name) ? 1 : 0;
  return live;
}

long PythonObjects() {
  PyObject* gc = PyImport_ImportModule("gc");
  if (!gc) {
    PyErr_Clear();
    return -1;
  }
  PyObject* collected = PyObject_CallMethod(gc, "collect", nullptr);
  Py_XDECREF(collected);
  PyObject* objects = PyObject_CallMethod(gc, "get_objects", nullptr);
  const long count = objects ? long(PyList_Size(objects)) : -1;
  Py_XDECREF(objects);
  Py_DECREF(gc);
  PyErr_Clear();
  return count;
}

Sample TakeSample(World* world) {
  Sample s;
  for (ObjectPool* pool = ObjectPool::GetFirstPool(); pool; pool = pool->GetNextPool())
    s[std::string("pool ") + pool->GetClassName()] += pool->GetInUseCount();
  for (ResourceManager* m = ResourceManager::GetFirst(); m; m = m->GetNext())
    s["resources " + m->GetClassName()] += double(m->GetCount());
  if (world) {
    for (uint32_t type = 1; type <= 10; ++type)
      s["world objects of type " + std::to_string(type)] = world->GetObjectCount(type);
    s[kParticles] = world->GetParticleCount();
  }
  s["Python objects"] = double(PythonObjects());
  s["GL buffers"] = double(LiveGLNames("Buffer"));
  s["GL textures"] = double(LiveGLNames("Texture"));
  s["GL vertex arrays"] = double(LiveGLNames("VertexArray"));
  s["GL framebuffers"] = double(LiveGLNames("Framebuffer"));
  s["GL renderbuffers"] = double(LiveGLNames("Renderbuffer"));
  s["GL samplers"] = double(LiveGLNames("Sampler"));
  s["GL programs and shaders"] = double(LiveGLPrograms());
  s["OpenAL sources"] = double(LiveALNames(alIsSource));
  s["OpenAL buffers"] = double(LiveALNames(alIsBuffer));
  s["file descriptors"] = double(EntriesIn("/proc/self/fd"));
  s["threads"] = double(EntriesIn("/proc/self/task"));
  s[kMemory] = ResidentBytes();
  s[kHeap] = double(mallinfo2().uordblks);
  return s;
}

// One row per count, one column per sample.
std::string Table(const std::vector<std::pair<long, Sample>>& samples) {
  std::ostringstream out;
  char cell[64];
  std::snprintf(cell, sizeof(cell), "%-44s", "frame");
  out << cell;
  for (const auto& [frame, sample] : samples) {
    std::snprintf(cell, sizeof(cell), " %10ld", frame);
    out << cell;
  }
  out << "\n";
  for (const auto& [name, unused] : samples.back().second) {
    std::snprintf(cell, sizeof(cell), "%-44s", name.c_str());
    out << cell;
    for (const auto& [frame, sample] : samples) {
      auto it = sample.find(name);
      std::snprintf(cell, sizeof(cell), " %10.0f", it == sample.end() ? -1.0 : it->second);
      out << cell;
    }
    out << "\n";
  }
  return out.str();
}

// The mean of the memory read in frames [from, from + kLap).
double LapMean(const std::vector<std::pair<long, double>>& memory, long from) {
  double sum = 0;
  int count = 0;
  for (const auto& [frame, bytes] : memory)
    if (frame > from && frame <= from + kLap) sum += bytes, ++count;
  return count ? sum / count : 0;
}

// The counts that differ from one lap earlier, and memory grown too much.
// Memory is compared from the second lap on: the first lap after start-up and
// the first rebuilt cove both still fill the drivers' caches (llvmpipe compiles
// a shader variant for each new state it meets). A whole lap's mean takes in
// the title and the play alike.
std::vector<std::string> Growth(const std::vector<std::pair<long, Sample>>& samples,
                                const std::vector<std::pair<long, double>>& memory) {
  std::vector<std::string> grown;
  std::map<long, const Sample*> byFrame;
  for (const auto& [frame, sample] : samples) byFrame[frame] = &sample;
  for (const auto& [frame, sample] : samples) {
    auto earlier = byFrame.find(frame - kLap);
    if (frame - kLap < kWarmUp || earlier == byFrame.end()) continue;
    for (const auto& [name, value] : sample) {
      if (name == kMemory || name == kHeap || name == kParticles) continue;
      auto before = earlier->second->find(name);
      const double was = before == earlier->second->end() ? 0 : before->second;
      if (value != was)
        grown.push_back(name + ": " + std::to_string(long(was)) + " at frame " +
                        std::to_string(frame - kLap) + ", " + std::to_string(long(value)) +
                        " at frame " + std::to_string(frame));
    }
  }
  const long last = memory.empty() ? 0 : memory.back().first;
  if (last >= kMemoryFrom + kLap) {
    const double first = LapMean(memory, kMemoryFrom), now = LapMean(memory, last - kLap);
    std::printf("Resident memory, mean over a lap: %.2f MB from frame %ld, %.2f MB from %ld\n",
                first / 1e6, kMemoryFrom, now / 1e6, last - kLap);
    if (now - first > kMaxGrowthBytes)
      grown.push_back(std::string(kMemory) + ": the last lap's mean grew by " +
                      std::to_string(long(now - first)) + " since frame " +
                      std::to_string(kMemoryFrom));
  }
  return grown;
}

// The tour runs from the default settings; the player's own come back after.
class SavedSettings {
 public:
  SavedSettings() : m_path(fs::path(KAZ_BIN_DIR) / "config" / "cove.cfg") {
    std::error_code error;
    m_had = fs::exists(m_path, error);
    if (m_had) m_saved = kaztest::ReadFile(m_path.string());
    fs::create_directories(m_path.parent_path(), error);
    std::ofstream(m_path, std::ios::trunc);
  }
  ~SavedSettings() {
    std::error_code error;
    if (m_had)
      kaztest::WriteFile(m_path.string(), m_saved);
    else
      fs::remove(m_path, error);
  }

 private:
  fs::path m_path;
  bool m_had = false;
  std::string m_saved;
};

}  // namespace

using CoveSoakTest = EngineTest;

TEST_F(CoveSoakTest, TheTourLoopedLeavesEveryCountFlat) {
  if (UnderSanitizers()) GTEST_SKIP() << "a lap of the tour takes minutes under the sanitizers";
  // OpenAL's null output, whatever the test runner passed on.
  setenv("ALSOFT_DRIVERS", "null", 0);
  SavedSettings settings;
  const long frames = SoakFrames();
  KazEngine* engine =
      Start({"-fixedframe", "0.033333", "-ResX", "320", "-ResY", "240", "-particleseed", "1"});
  ASSERT_NE(engine, nullptr) << m_out.All();
  // The tour's input less its quit after the ending, every lap.
  const std::vector<ReplayEvent> lap = TourEvents(kTourEnd);
  ASSERT_GT(lap.size(), 20u);
  std::vector<std::pair<long, Sample>> samples;
  std::vector<std::pair<long, double>> memory;  // resident bytes, from the second lap
  size_t next = 0;
  int laps = 0;
  for (long frame = 0; frame < frames; ++frame) {
    const long inLap = frame % kLap;
    if (inLap == 0) next = 0;
    DeliverTourFrame(engine, lap, next, inLap);
    ASSERT_EQ(engine->RunFrame(), 0) << "the game quit at frame " << frame << "\n" << m_out.All();
    if ((frame + 1) % kMemoryEvery == 0 && frame + 1 > kMemoryFrom)
      memory.emplace_back(frame + 1, ResidentBytes());
    if ((frame + 1) % kSampleEvery == 0) {
      // The lines the engine printed are counted and let go: kept, they would
      // be this test's own heap growing.
      laps += m_out.Count("Cove: back to the title.");
      m_out.lines.clear();
      samples.emplace_back(frame + 1, TakeSample(engine->GetWorld()));
    }
  }
  EXPECT_EQ(laps, int(frames / kLap)) << "every lap reaches the ending and the title";
  const std::string table = Table(samples);
  std::printf("Soak of %ld frames, %d laps:\n%s", frames, laps, table.c_str());
  const std::vector<std::string> grown = Growth(samples, memory);
  for (const std::string& line : grown) ADD_FAILURE() << "grows: " << line;
  if (const char* out = std::getenv("KAZ_SOAK_TABLE")) kaztest::WriteFile(out, table);
}
