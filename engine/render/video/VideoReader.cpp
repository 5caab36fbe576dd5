// VideoReader.cpp - FFmpeg behind VideoReader; see VideoReader.h.
#include "render/video/VideoReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace {
constexpr int kMaxStreamsOfAKind = 5;
// Larger frames than any texture the engine draws them into.
constexpr int kMaxVideoSide = 4096;
}  // namespace

struct VideoReader::Impl {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;    // the frame shown, when haveFrame
  AVFrame* decoded = nullptr;  // scratch for the next one
  SwsContext* sws = nullptr;
  int stream = -1;
  AVRational timeBase{1, 1000};
  double frameMs = 40.0;  // used when a frame carries no duration
  bool haveFrame = false, endOfStream = false;
  double frameStart = 0, frameEnd = 0;  // ms covered by the frame shown

  ~Impl() {
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_frame_free(&decoded);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }
  // The next frame of the stream into decoded; false at the end or on errors.
  bool Next() {
    for (;;) {
      int r = avcodec_receive_frame(codec, decoded);
      if (r == 0) return true;
      if (r != AVERROR(EAGAIN) || endOfStream) return false;
      r = av_read_frame(format, packet);
      if (r < 0) {
        endOfStream = true;
        avcodec_send_packet(codec, nullptr);  // drain what the decoder holds
        continue;
      }
      if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
      av_packet_unref(packet);
    }
  }
  void Rewind() {
    av_seek_frame(format, stream, 0, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(codec);
    haveFrame = endOfStream = false;
  }
};

VideoReader::VideoReader() : m_impl(std::make_unique<Impl>()) {}
VideoReader::~VideoReader() = default;

int VideoReader::GetWidth() const {
  return m_impl->codec ? m_impl->codec->width : 0;
}
int VideoReader::GetHeight() const {
  return m_impl->codec ? m_impl->codec->height : 0;
}

std::unique_ptr<VideoReader> VideoReader::Open(const std::string& nativePath, std::string* reason,
                                               bool* openFailed) {
  std::unique_ptr<VideoReader> reader(new VideoReader);
  Impl& m = *reader->m_impl;
  auto fail = [&](const char* why, bool open) {
    if (reason) *reason = why;
    if (openFailed) *openFailed = open;
    return nullptr;
  };
  av_log_set_level(AV_LOG_QUIET);
  if (avformat_open_input(&m.format, nativePath.c_str(), nullptr, nullptr) < 0)
    return fail("cannot open file", true);
  if (avformat_find_stream_info(m.format, nullptr) < 0) return fail("no stream information", true);
  for (unsigned i = 0; i < m.format->nb_streams; ++i) {
    AVMediaType type = m.format->streams[i]->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_AUDIO && reader->m_audioStreams < kMaxStreamsOfAKind)
      ++reader->m_audioStreams;
    if (type == AVMEDIA_TYPE_VIDEO && reader->m_videoStreams++ == 0) m.stream = int(i);
  }
  reader->m_videoStreams = std::min(reader->m_videoStreams, kMaxStreamsOfAKind);
  if (m.stream < 0) return fail("no video stream", false);
  AVStream* st = m.format->streams[m.stream];
  // The decoder allocates frames of whatever size the file declares.
  if (st->codecpar->width > kMaxVideoSide || st->codecpar->height > kMaxVideoSide)
    return fail("video frames too large", false);
  const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
  m.codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
  if (m.codec) m.codec->max_pixels = int64_t(kMaxVideoSide) * kMaxVideoSide;
  if (!m.codec || avcodec_parameters_to_context(m.codec, st->codecpar) < 0 ||
      avcodec_open2(m.codec, decoder, nullptr) < 0 || m.codec->width <= 0 || m.codec->height <= 0)
    return fail("no decoder for the video stream", false);
  m.packet = av_packet_alloc();
  m.frame = av_frame_alloc();
  m.decoded = av_frame_alloc();
  if (!m.packet || !m.frame || !m.decoded) return fail("out of memory", false);
  m.timeBase = st->time_base;
  if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
    m.frameMs = 1000.0 * av_q2d(av_inv_q(st->avg_frame_rate));
  int64_t length = 0;
  if (st->duration > 0 && st->duration != AV_NOPTS_VALUE)
    length = av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
  else if (m.format->duration > 0)
    length = m.format->duration / 1000;
  reader->m_lengthMs = uint32_t(std::clamp<int64_t>(length, 0, INT32_MAX));
  return reader;
}

bool VideoReader::DecodeUntil(uint32_t ms) {
  Impl& m = *m_impl;
  if (m.haveFrame && ms < m.frameStart) m.Rewind();
  while (!m.haveFrame || ms >= m.frameEnd) {
    if (!m.Next()) return m.haveFrame;  // past the last frame: it stays shown
    int64_t pts = m.decoded->best_effort_timestamp;
    double start = pts == AV_NOPTS_VALUE ? (m.haveFrame ? m.frameEnd : 0.0)
                                         : 1000.0 * double(pts) * av_q2d(m.timeBase);
    double duration = m.decoded->pkt_duration > 0
                          ? 1000.0 * double(m.decoded->pkt_duration) * av_q2d(m.timeBase)
                          : m.frameMs;
    std::swap(m.frame, m.decoded);
    av_frame_unref(m.decoded);
    m.haveFrame = true;
    m.frameStart = start;
    m.frameEnd = start + duration;
  }
  return true;
}

bool VideoReader::ReadFrame(uint32_t ms, uint8_t* bgra, int width, int height, int pitch) {
  Impl& m = *m_impl;
  if (!bgra || width <= 0 || height <= 0 || ms > m_lengthMs || !DecodeUntil(ms)) return false;
  AVFrame* f = m.frame;
  if (f->width <= 0 || f->height <= 0) return false;
  // The decoder may change size mid-stream; the cached context follows.
  m.sws = sws_getCachedContext(m.sws, f->width, f->height, AVPixelFormat(f->format), width, height,
                               AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
  if (!m.sws) return false;
  uint8_t* dst[4] = {bgra, nullptr, nullptr, nullptr};
  int dstStride[4] = {pitch, 0, 0, 0};
  const uint8_t* src[4] = {f->data[0], f->data[1], f->data[2], f->data[3]};
  int srcStride[4] = {f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3]};
  // A bottom-up picture (AVI's uncompressed frames) arrives with a negative
  // stride, which swscale reads slowly: read its rows upwards in memory and
  // write them bottom-up instead.
  if (srcStride[0] < 0 && av_pix_fmt_count_planes(AVPixelFormat(f->format)) == 1) {
    src[0] = f->data[0] + ptrdiff_t(f->height - 1) * srcStride[0];
    srcStride[0] = -srcStride[0];
    dst[0] = bgra + ptrdiff_t(height - 1) * pitch;
    dstStride[0] = -pitch;
  }
  return sws_scale(m.sws, src, srcStride, 0, f->height, dst, dstStride) == height;
}
