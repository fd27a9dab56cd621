// FFmpeg's C interfaces, with owners for the objects they hand out.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace lumov::tool {

struct InputFormatDeleter {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerDeleter {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;

// FFmpeg's text for an error code.
std::string AvError(int code);

// Interlacing as a decoded frame carries it.
bool IsInterlaced(const AVFrame* frame);
bool IsTopFieldFirst(const AVFrame* frame);
void SetInterlacing(AVFrame* frame, bool interlaced, bool topFieldFirst);

// The YUV matrix a picture of this height most likely uses when its stream does not say.
AVColorSpace DefaultColorSpace(int height);

// FFmpeg's own messages only with --verbose.
void SetLibraryLogging(bool verbose);

}  // namespace lumov::tool
