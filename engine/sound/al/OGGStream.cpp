// OGGStream.cpp - Ogg Vorbis streaming onto an OpenAL source.
#include "sound/al/OGGStream.h"

#include "base/Log.h"
#include "console/CVarRegistry.h"
#include "sound/SoundManager.h"

#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

// OpenAL's multichannel layouts list front left, front right, centre, LFE
// and then the surrounds; Vorbis puts the centre between the fronts and the
// LFE last. Each table gives, per OpenAL position, the Vorbis channel.
const int kMap51[] = {0, 2, 1, 5, 3, 4};
const int kMap61[] = {0, 2, 1, 6, 5, 3, 4};
const int kMap71[] = {0, 2, 1, 7, 5, 6, 3, 4};

size_t ReadFile(void* ptr, size_t size, size_t count, void* source) {
  if (size == 0) return 0;
  auto* file = static_cast<FileSystem::File*>(source);
  return file->Read(ptr, static_cast<uint32_t>(size * count)) / size;
}

int SeekFile(void* source, ogg_int64_t offset, int whence) {
  auto* file = static_cast<FileSystem::File*>(source);
  ogg_int64_t base = 0;
  if (whence == SEEK_CUR)
    base = file->Tell();
  else if (whence == SEEK_END)
    base = file->GetLength();
  else if (whence != SEEK_SET)
    return -1;
  const ogg_int64_t target = base + offset;
  if (target < 0 || target > file->GetLength()) return -1;
  return file->Seek(static_cast<uint32_t>(target)) ? 0 : -1;
}

int CloseFile(void*) {
  return 0;  // the stream closes its own file
}

long TellFile(void* source) {
  return static_cast<long>(static_cast<FileSystem::File*>(source)->Tell());
}

const ov_callbacks kCallbacks = {ReadFile, SeekFile, CloseFile, TellFile};

}  // namespace

const char* VorbisErrorText(int code) {
  switch (code) {
    case OV_EVERSION:
      return "Vorbis version mismatch.";
    case OV_EBADHEADER:
      return "Invalid Vorbis header.";
    case OV_ENOTVORBIS:
      return "Not Vorbis data.";
    case OV_EFAULT:
      return "Internal logic fault (bug or heap/stack corruption.";
    case OV_EREAD:
      return "Read from media.";
    default:
      return "Unknown Ogg error.";
  }
}

OGGStream::OGGStream() : m_chunk(kChunkSize) {}

OGGStream::~OGGStream() {
  Close();
}

bool OGGStream::Open(const std::string& fileName, ALuint source) {
  Close();
  m_fileName = fileName;
  if (!m_file.OpenRead(fileName)) {
    LogError("Failed to open OGG file '%s'", fileName.c_str());
    return false;
  }
  const int result = ov_open_callbacks(&m_file, &m_vorbis, nullptr, 0, kCallbacks);
  if (result < 0) {
    LogError("Failed to read OGG file %s (%s).", fileName.c_str(), VorbisErrorText(result));
    m_file.Close();
    return false;
  }
  m_vorbisOpen = true;
  const vorbis_info* info = ov_info(&m_vorbis, -1);
  m_channels = info ? info->channels : 0;
  m_rate = info ? info->rate : 0;
  if (!ChooseFormat()) {
    LogError("Failed to read OGG file %s (%d channels cannot be played).", fileName.c_str(),
             m_channels);
    Close();
    return false;
  }
  if (CVarRegistry::Instance().DisplayOGGInfo.Get()) LogSummary(info, ov_comment(&m_vorbis, -1));

  alGenBuffers(kBufferCount, m_buffers);
  if (!ALIsNewBuffer(m_buffers[0]) || !ALIsNewBuffer(m_buffers[1])) {
    for (ALuint& buffer : m_buffers) buffer = 0;
    Close();
    LogError("Failed to create %d AL bufers for OGG streaming", kBufferCount);
    return false;
  }
  m_source = source;
  return Play(false, true);
}

bool OGGStream::ChooseFormat() {
  m_channelMap = nullptr;
  m_format = 0;
  switch (m_channels) {
    case 1:
      m_format = AL_FORMAT_MONO16;
      return true;
    case 2:
      m_format = AL_FORMAT_STEREO16;
      return true;
    default:
      break;
  }
  if (!alIsExtensionPresent("AL_EXT_MCFORMATS")) return false;
  switch (m_channels) {
    case 4:
      m_format = alGetEnumValue("AL_FORMAT_QUAD16");
      break;
    case 6:
      m_format = alGetEnumValue("AL_FORMAT_51CHN16");
      m_channelMap = kMap51;
      break;
    case 7:
      m_format = alGetEnumValue("AL_FORMAT_61CHN16");
      m_channelMap = kMap61;
      break;
    case 8:
      m_format = alGetEnumValue("AL_FORMAT_71CHN16");
      m_channelMap = kMap71;
      break;
    default:
      return false;
  }
  return m_format != 0 && m_format != -1;
}

void OGGStream::LogSummary(const vorbis_info* info, const vorbis_comment* comment) const {
  LogMessage(" ");
  LogMessage("[orange]OGG Vorbis summary for %s", m_fileName.c_str());
  LogMessage("   [cyan]vendor          [white]: %s",
             comment && comment->vendor ? comment->vendor : "");
  LogMessage("   [cyan]version         [white]: %d", info->version);
  LogMessage("   [cyan]channels        [white]: %d", info->channels);
  LogMessage("   [cyan]rate (hz)       [white]: %d", static_cast<int>(info->rate));
  LogMessage("   [cyan]bitrate upper   [white]: %d", static_cast<int>(info->bitrate_upper));
  LogMessage("   [cyan]bitrate nominal [white]: %d", static_cast<int>(info->bitrate_nominal));
  LogMessage("   [cyan]bitrate lower   [white]: %d", static_cast<int>(info->bitrate_lower));
  LogMessage("   [cyan]bitrate window  [white]: %d", static_cast<int>(info->bitrate_window));
  LogMessage(" ");
  const int count = comment ? comment->comments : 0;
  for (int i = 0; i < count; ++i) LogMessage("   [grey]%s", comment->user_comments[i]);
  if (count > 0) LogMessage(" ");
}

long OGGStream::DecodeChunk(char* out) {
  if (!m_vorbisOpen || m_channels <= 0) return OV_EFAULT;
  // Whole frames only: OpenAL refuses a buffer that ends inside one.
  const size_t frameBytes = static_cast<size_t>(m_channels) * 2;
  const size_t capacity = kChunkSize - kChunkSize % frameBytes;
  size_t filled = 0;
  while (filled < capacity) {
    int section = 0;
    const long got =
        ov_read(&m_vorbis, out + filled, static_cast<int>(capacity - filled), 0, 2, 1, &section);
    if (got < 0) {
      LogDetail("ov_read failed for updating OGG stream (%s)",
                VorbisErrorText(static_cast<int>(got)));
      return got;
    }
    if (got == 0) break;
    filled += static_cast<size_t>(got);
  }
  if (m_channelMap) {
    auto* samples = reinterpret_cast<int16_t*>(out);
    int16_t frame[8];
    for (size_t i = 0; i + static_cast<size_t>(m_channels) <= filled / 2; i += m_channels) {
      for (int c = 0; c < m_channels; ++c) frame[c] = samples[i + m_channelMap[c]];
      std::memcpy(samples + i, frame, frameBytes);
    }
  }
  return static_cast<long>(filled);
}

long OGGStream::StreamChunk(ALuint buffer) {
  const long bytes = DecodeChunk(m_chunk.data());
  if (bytes > 0) {
    alBufferData(buffer, m_format, m_chunk.data(), static_cast<ALsizei>(bytes),
                 static_cast<ALsizei>(m_rate));
    if (!ALBufferHolds(buffer, static_cast<ALsizei>(bytes)))
      LogDetail("alBufferData failed for reading OGG stream chunk.");
  }
  return bytes;
}

bool OGGStream::Rewind() {
  return m_vorbisOpen && ov_pcm_seek(&m_vorbis, 0) == 0;
}

bool OGGStream::Play(bool loop, bool startPaused) {
  if (!m_vorbisOpen || !m_source) return false;
  {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (m_state == SoundState_Paused) {
      m_loop = loop;
      alSourcei(m_source, AL_LOOPING, AL_FALSE);
      m_state = SoundState_Playing;
      alSourcePlay(m_source);
      return true;
    }
    if (m_state == SoundState_Playing) return true;
  }

  // A stream that drained by itself left its worker to be joined.
  JoinWorker();
  alSourceStop(m_source);
  alSourcei(m_source, AL_BUFFER, 0);
  Rewind();
  m_ended = false;
  int filled = 0;
  for (int i = 0; i < kBufferCount; ++i) {
    long bytes = StreamChunk(m_buffers[i]);
    if (bytes == 0 && loop && filled > 0 && Rewind()) bytes = StreamChunk(m_buffers[i]);
    if (bytes < 0) {
      LogError("OGGStream::Play - Failed to stream into chunk %d", i);
      return false;
    }
    if (bytes == 0) {
      m_ended = true;
      break;
    }
    ++filled;
  }
  for (int i = 0; i < kBufferCount; ++i) m_queued[i] = i < filled;
  alSourceQueueBuffers(m_source, filled, m_buffers);
  if (ALSourceInt(m_source, AL_BUFFERS_QUEUED) != filled) {
    LogError("alSourceQueueBuffers failed for OGG stream.");
    return false;
  }
  m_loop = loop;
  if (!startPaused) {
    // The stream loops by seeking; the source itself must not.
    alSourcei(m_source, AL_LOOPING, AL_FALSE);
    // A source that is gone is the one way alSourcePlay fails here.
    alSourcePlay(m_source);
    if (!alIsSource(m_source)) {
      LogError("alSourcePlay failed for OGG stream.");
      return false;
    }
    m_state = SoundState_Playing;
  } else {
    m_state = SoundState_Paused;
  }
  return StartWorker();
}

bool OGGStream::StartWorker() {
  m_stopRequested = false;
  try {
    m_worker = std::thread(&OGGStream::ThreadMain, this);
  } catch (const std::system_error& error) {
    // No thread to keep the queue filled: the stream does not play at all.
    LogError("Failed to start the worker thread for OGG stream %s (%s).", m_fileName.c_str(),
             error.what());
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
    for (bool& queued : m_queued) queued = false;
    m_state = SoundState_Stopped;
    m_loop = false;
    return false;
  }
  return true;
}

// The state and the source's play/pause change together under the control
// lock, so a worker restarting a source that ran dry never undoes a Pause or
// Resume made in between.
bool OGGStream::Pause() {
  std::lock_guard<std::mutex> lock(m_controlMutex);
  if (m_state != SoundState_Playing) return false;
  m_state = SoundState_Paused;
  alSourcePause(m_source);
  return true;
}

bool OGGStream::Resume() {
  std::lock_guard<std::mutex> lock(m_controlMutex);
  if (m_state != SoundState_Paused) return false;
  m_state = SoundState_Playing;
  alSourcePlay(m_source);
  return true;
}

void OGGStream::JoinWorker() {
  if (!m_worker.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(m_sleepMutex);
    m_stopRequested = true;
  }
  m_wake.notify_all();
  m_worker.join();
  m_stopRequested = false;
}

void OGGStream::Stop() {
  // The worker goes first: it could otherwise restart the source after the stop.
  JoinWorker();
  if (m_source) {
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
  }
  for (bool& queued : m_queued) queued = false;
  m_state = SoundState_Stopped;
  m_loop = false;
}

bool OGGStream::Close() {
  Stop();
  if (m_vorbisOpen) ov_clear(&m_vorbis);
  m_vorbisOpen = false;
  for (ALuint& buffer : m_buffers) {
    if (buffer) alDeleteBuffers(1, &buffer);
    buffer = 0;
  }
  m_file.Close();
  m_channels = 0;
  m_rate = 0;
  m_source = 0;
  return true;
}

void OGGStream::ThreadMain() {
  LogDetail("OGG thread started (%s).", m_fileName.c_str());
  while (m_source && m_state != SoundState_Stopped && !m_stopRequested) {
    if (!Update()) break;
    std::unique_lock<std::mutex> lock(m_sleepMutex);
    m_wake.wait_for(lock, kUpdatePeriod, [this] { return m_stopRequested.load(); });
  }
  LogDetail("OGG thread stopped (%s).", m_fileName.c_str());
}

int OGGStream::IndexOf(ALuint buffer) const {
  for (int i = 0; i < kBufferCount; ++i)
    if (m_buffers[i] == buffer) return i;
  return -1;
}

bool OGGStream::Refill(ALuint buffer) {
  long bytes = StreamChunk(buffer);
  if (bytes < 0) {
    LogDetail("StreamChunk failed for updating OGG stream.");
    return false;
  }
  if (bytes == 0) {
    m_ended = true;
    if (!m_loop || !Rewind()) return true;  // not queued again: the stream drains
    bytes = StreamChunk(buffer);
    if (bytes <= 0) return bytes == 0;
    m_ended = false;
  }
  const ALint before = ALSourceInt(m_source, AL_BUFFERS_QUEUED);
  alSourceQueueBuffers(m_source, 1, &buffer);
  if (ALSourceInt(m_source, AL_BUFFERS_QUEUED) == before + 1 && IndexOf(buffer) >= 0)
    m_queued[IndexOf(buffer)] = true;
  return true;
}

bool OGGStream::Update() {
  if (m_state != SoundState_Playing) return true;  // paused: idle
  ALint processed = ALSourceInt(m_source, AL_BUFFERS_PROCESSED);
  for (; processed > 0; --processed) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(m_source, 1, &buffer);
    if (IndexOf(buffer) < 0) continue;  // nothing came off the queue
    m_queued[IndexOf(buffer)] = false;
    if (!Refill(buffer)) return false;
  }
  // Buffers left idle by a short file come into use once the stream loops.
  for (int i = 0; i < kBufferCount && m_loop; ++i)
    if (!m_queued[i] && !Refill(m_buffers[i])) return false;
  std::lock_guard<std::mutex> lock(m_controlMutex);
  if (m_state != SoundState_Playing) return true;
  const ALint queued = ALSourceInt(m_source, AL_BUFFERS_QUEUED);
  // Refilled before restarting: a stopped source would otherwise replay what
  // it already played. Only a source that ran dry is restarted, never one a
  // Pause stopped.
  if (queued > 0 && ALSourceInt(m_source, AL_SOURCE_STATE) == AL_STOPPED) {
    alSourcePlay(m_source);
  } else if (queued == 0 && m_ended) {
    m_state = SoundState_Stopped;
    LogMessage("Ended.");
  }
  return true;
}
