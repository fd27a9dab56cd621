#include "ffmpeg.h"

namespace lumov::tool {

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

bool IsInterlaced(const AVFrame* frame) {
#ifdef AV_FRAME_FLAG_INTERLACED
  return (frame->flags & AV_FRAME_FLAG_INTERLACED) != 0;
#else
  return frame->interlaced_frame != 0;
#endif
}

bool IsTopFieldFirst(const AVFrame* frame) {
#ifdef AV_FRAME_FLAG_TOP_FIELD_FIRST
  return (frame->flags & AV_FRAME_FLAG_TOP_FIELD_FIRST) != 0;
#else
  return frame->top_field_first != 0;
#endif
}

void SetInterlacing(AVFrame* frame, bool interlaced, bool topFieldFirst) {
#ifdef AV_FRAME_FLAG_INTERLACED
  frame->flags &= ~(AV_FRAME_FLAG_INTERLACED | AV_FRAME_FLAG_TOP_FIELD_FIRST);
  if (interlaced) frame->flags |= AV_FRAME_FLAG_INTERLACED;
  if (interlaced && topFieldFirst) frame->flags |= AV_FRAME_FLAG_TOP_FIELD_FIRST;
#else
  frame->interlaced_frame = interlaced ? 1 : 0;
  frame->top_field_first = interlaced && topFieldFirst ? 1 : 0;
#endif
}

AVColorSpace DefaultColorSpace(int height) {
  return height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
}

void SetLibraryLogging(bool verbose) {
  av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_QUIET);
}

}  // namespace lumov::tool
