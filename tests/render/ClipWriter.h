// ClipWriter.h - makes small test videos: AVI files of uncompressed frames
// through libavformat and libavcodec, written bit-exactly, so
// the same arguments always give the same bytes and no binary clip needs to
// be checked in. Used by the video texture tests and benchmarks.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

#include <cstdint>
#include <functional>
#include <string>

namespace cliptest {

// The colour (0xRRGGBB) of pixel (x, y) of frame i.
using FramePainter = std::function<uint32_t(int frame, int x, int y)>;

inline bool Encode(AVCodecContext* codec, AVFrame* frame, AVFormatContext* out, AVStream* stream) {
  if (avcodec_send_frame(codec, frame) < 0) return false;
  AVPacket* packet = av_packet_alloc();
  while (avcodec_receive_packet(codec, packet) == 0) {
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    av_interleaved_write_frame(out, packet);
  }
  av_packet_free(&packet);
  return true;
}

// Writes frames at fps into an AVI file at path; false on any failure.
inline bool WriteClip(const std::string& path, int width, int height, int fps, int frames,
                      const FramePainter& paint) {
  AVFormatContext* out = nullptr;
  if (avformat_alloc_output_context2(&out, nullptr, "avi", path.c_str()) < 0) return false;
  out->flags |= AVFMT_FLAG_BITEXACT;
  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
  AVStream* stream = avformat_new_stream(out, nullptr);
  AVCodecContext* codec = encoder ? avcodec_alloc_context3(encoder) : nullptr;
  bool ok = stream && codec;
  if (ok) {
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = AV_PIX_FMT_BGR24;
    codec->time_base = AVRational{1, fps};
    codec->flags |= AV_CODEC_FLAG_BITEXACT;
    if (out->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ok = avcodec_open2(codec, encoder, nullptr) >= 0 &&
         avcodec_parameters_from_context(stream->codecpar, codec) >= 0;
    stream->time_base = codec->time_base;
  }
  ok = ok && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0;
  ok = ok && avformat_write_header(out, nullptr) >= 0;
  AVFrame* frame = av_frame_alloc();
  if (ok) {
    frame->format = codec->pix_fmt;
    frame->width = width;
    frame->height = height;
    ok = av_frame_get_buffer(frame, 0) >= 0;
  }
  for (int i = 0; ok && i < frames; ++i) {
    ok = av_frame_make_writable(frame) >= 0;
    for (int y = 0; ok && y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint32_t c = paint(i, x, y);
        uint8_t* p = frame->data[0] + y * frame->linesize[0] + x * 3;
        p[0] = uint8_t(c & 0xFF);
        p[1] = uint8_t(c >> 8 & 0xFF);
        p[2] = uint8_t(c >> 16 & 0xFF);
      }
    frame->pts = i;
    ok = ok && Encode(codec, frame, out, stream);
  }
  if (ok) ok = Encode(codec, nullptr, out, stream) && av_write_trailer(out) >= 0;
  av_frame_free(&frame);
  avcodec_free_context(&codec);
  if (out->pb) avio_closep(&out->pb);
  avformat_free_context(out);
  return ok;
}

}  // namespace cliptest
