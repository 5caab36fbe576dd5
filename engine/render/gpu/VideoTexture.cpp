// VideoTexture.cpp - see VideoTexture.h.
#include "render/gpu/VideoTexture.h"

#include <chrono>
#include <cstring>

#include "base/Log.h"
#include "render/device/Formats.h"
#include "render/gpu/VideoManager.h"
#include "render/video/VideoReader.h"
#include "tier0/FileSystem.h"

KAZ_DEFINE_POOL_NAMED(VideoTexture, 1, "GLAVITexture");

namespace {

uint64_t SteadyMilliseconds() {
  using namespace std::chrono;
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

VideoTextureClock g_clock = SteadyMilliseconds;

template <class Fn>
void ForEachVideoTexture(Fn fn) {
  PooledObject* o = VideoTexture::s_pool.GetFirstInUse();
  while (o) {
    PooledObject* next = o->GetNextInUse();
    fn(static_cast<VideoTexture*>(o));
    o = next;
  }
}

// Video textures live in their own pool, which the video manager does not
// walk; this does it for them.
struct VideoTextureListener : VideoListener {
  // A texture that outlived a video shutdown gets its device part back with
  // the next mode.
  void OnModeCreated(VideoManager*) override {
    ForEachVideoTexture([](VideoTexture* t) { t->OnDeviceReset(); });
  }
  void OnDeviceLost(VideoManager*) override {
    ForEachVideoTexture([](VideoTexture* t) { t->OnDeviceLost(); });
  }
  void OnDeviceReset(VideoManager*) override {
    ForEachVideoTexture([](VideoTexture* t) { t->OnDeviceReset(); });
  }
  void OnVideoShutdown(VideoManager*) override {
    ForEachVideoTexture([](VideoTexture* t) { t->ReleaseDeviceObjects(); });
  }
} g_listener;

}  // namespace

void SetVideoTextureClock(VideoTextureClock clock) {
  g_clock = clock ? clock : SteadyMilliseconds;
}

VideoTexture::~VideoTexture() = default;

bool VideoTexture::MakeDeviceTexture() {
  GDevice* device = GetRenderDevice();
  SafeRelease(m_texture);
  GResult r = device
                  ? device->CreateTexture(GTEXTYPE_2D, kVideoTextureSize, kVideoTextureSize, 1, 1,
                                          GUSAGE_DYNAMIC, FMT_A8R8G8B8, GPOOL_DEFAULT, &m_texture)
                  : GERR_INVALIDCALL;
  if (GFailed(r)) {
    m_texture = nullptr;
    LogError("Could not create texture for AVI playback (%s).",
             device ? GetErrorName(r) : "video device not started");
    return false;
  }
  m_type = TEXTYPE_2D;
  m_format = TEXFMT_A8R8G8B8;
  m_width = m_height = kVideoTextureSize;
  m_levels = 1;
  m_dynamic = true;
  m_renderTarget = false;
  m_pool = GPOOL_DEFAULT;
  m_locked = false;
  // Black until the first frame arrives.
  void* bits = nullptr;
  uint32_t pitch = 0;
  if (Lock(0, &bits, &pitch, 0)) {
    std::memset(bits, 0, size_t(pitch) * kVideoTextureSize);
    Unlock();
  }
  return true;
}

bool VideoTexture::Load(const char* fileName) {
  const std::string dir = FileSystem::GetRealDir(fileName ? fileName : "");
  if (!fileName || dir.empty()) {
    LogError("Failed to open AVI file '%s'", fileName ? fileName : "");
    return false;
  }
  const std::string path = dir + FileSystem::GetDirSeparator() + fileName;
  std::string reason;
  bool openFailed = false;
  m_reader = VideoReader::Open(path, &reason, &openFailed);
  if (!m_reader) {
    if (openFailed)
      LogError("Failed to open AVI file '%s'", fileName);
    else
      LogError("Failed to get video stream for AVI file '%s'", fileName);
    LogDetail("%s: %s", fileName, reason.c_str());
    return false;
  }
  m_lengthMs = m_reader->GetLengthMs();
  if (!MakeDeviceTexture()) return false;
  m_started = false;
  m_startTime = 0;
  m_lastFrameTime = 1000;
  m_uploaded = false;
  if (VideoManager* vm = GetVideoManager()) vm->AddListener(&g_listener);
  return true;
}

void VideoTexture::OnDeviceReset() {
  if (!m_texture && m_reader && MakeDeviceTexture()) m_uploaded = false;
}

bool VideoTexture::Upload(uint32_t ms) {
  void* bits = nullptr;
  uint32_t pitch = 0;
  if (!Lock(0, &bits, &pitch, 0)) return false;
  bool ok = m_reader->ReadFrame(ms, static_cast<uint8_t*>(bits), int(kVideoTextureSize),
                                int(kVideoTextureSize), int(pitch));
  Unlock();
  return ok;
}

GTexture* VideoTexture::GetDeviceTexture() {
  if (!m_texture || !m_reader) return m_texture;
  const uint64_t now = g_clock();
  if (!m_started) {
    m_started = true;
    m_startTime = now;
  }
  const uint64_t elapsed = now - m_startTime;
  // Within 40 ms of the frame shown, nothing changes.
  if (m_uploaded && elapsed >= m_lastFrameTime && elapsed - m_lastFrameTime < kVideoFrameIntervalMs)
    return m_texture;
  if (elapsed <= m_lengthMs && m_lengthMs > 0 && Upload(uint32_t(elapsed))) {
    m_lastFrameTime = uint32_t(elapsed);
    m_uploaded = true;
    ++m_uploads;
  } else {
    m_startTime = now;  // the end (or an empty stream): play again from the start
  }
  return m_texture;
}

Texture* LoadVideoTexture(const char* fileName) {
  VideoTexture* t = VideoTexture::Create();
  if (!t) return nullptr;
  if (!t->Load(fileName)) {
    t->Release();
    return nullptr;
  }
  return t;
}
