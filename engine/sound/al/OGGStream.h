// OGGStream.h - an Ogg Vorbis file played through one OpenAL source by
// decoding it in chunks into two queued buffers, refilled by a worker thread.
//
// Open pre-fills the queue and starts the worker paused; Play, Pause, Resume,
// Stop and Close come from the main thread. The worker refills processed
// buffers every 50 ms, restarts a source that ran dry and, at the end of a
// non-looping file, lets the queue drain and marks the stream stopped. The
// state and the stop flag are atomic; the worker owns the decoder and the
// buffers while it runs, and the main thread touches them only after joining
// it; Pause, Resume and the worker's restart of a source that ran dry change
// the state and the source together under one lock. Files of 1, 2, 4, 6, 7 or 8 channels play
// (Vorbis channel order is mapped onto OpenAL's multichannel formats); others fail Open.
//
// Depends on ALCommon.h, tier0/FileSystem (the file is read through the
// package file system), libvorbisfile, console/CVarRegistry (DisplayOGGInfo).
#pragma once

#include "sound/al/ALCommon.h"
#include "tier0/FileSystem.h"

#include <vorbis/vorbisfile.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class OGGStream {
 public:
  static constexpr int kBufferCount = 2;
  static constexpr size_t kChunkSize = 65536;
  static constexpr std::chrono::milliseconds kUpdatePeriod{50};

  OGGStream();
  ~OGGStream();
  OGGStream(const OGGStream&) = delete;
  OGGStream& operator=(const OGGStream&) = delete;

  // Pre-filled and paused on success; the source stays the caller's.
  bool Open(const std::string& fileName, ALuint source);
  bool Play(bool loop, bool startPaused = false);
  bool Pause();
  bool Resume();
  void Stop();
  bool Close();

  int GetState() const { return m_state.load(); }
  bool IsLooping() const { return m_loop.load(); }
  int GetChannels() const { return m_channels; }
  ALenum GetFormat() const { return m_format; }
  long GetRate() const { return m_rate; }
  bool IsWorkerRunning() const { return m_worker.joinable(); }

  // Decodes the next chunk into the buffer: bytes decoded, 0 at the end of
  // the file, negative (a vorbisfile code) on error.
  long StreamChunk(ALuint buffer);
  // Decodes up to one chunk into memory (OpenAL channel order); as above.
  long DecodeChunk(char* out);
  // One refill step of the worker; false ends the worker.
  bool Update();
  // Back to the first sample; false when the decoder cannot seek.
  bool Rewind();

 private:
  bool ChooseFormat();
  void LogSummary(const vorbis_info* info, const vorbis_comment* comment) const;
  void ThreadMain();
  // Starts the worker; false (logged, the stream stopped) when no thread can be made.
  bool StartWorker();
  void JoinWorker();
  // Refills one processed buffer; false (logged) on a decoding error.
  bool Refill(ALuint buffer);
  int IndexOf(ALuint buffer) const;

  ALenum m_format = 0;
  ALuint m_source = 0;
  ALuint m_buffers[kBufferCount] = {};
  // Which buffers are on the source's queue: a stream opened without a loop
  // may have left one idle at the end of a short file, to be used once it loops.
  bool m_queued[kBufferCount] = {};
  FileSystem::File m_file;
  OggVorbis_File m_vorbis{};
  bool m_vorbisOpen = false;
  std::string m_fileName;
  int m_channels = 0;
  long m_rate = 0;
  const int* m_channelMap = nullptr;  // OpenAL position -> Vorbis channel, or none
  std::vector<char> m_chunk;

  std::atomic<int> m_state{0};
  std::atomic<bool> m_loop{false};
  std::atomic<bool> m_ended{false};
  std::atomic<bool> m_stopRequested{false};
  std::thread m_worker;
  // Held while the state and the source's play/pause change together.
  std::mutex m_controlMutex;
  // Only wakes a sleeping worker early when it is asked to stop.
  std::mutex m_sleepMutex;
  std::condition_variable m_wake;
};

// The message for a vorbisfile error code.
const char* VorbisErrorText(int code);
