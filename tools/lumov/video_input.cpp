#include "video_input.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "errors.h"

namespace lumov::tool {
namespace {

// Decoded frames a random-access reader may keep, in the decoder's own pixel format: a whole
// group of pictures of small video, ten frames of 1080p (about 3 MB each), so that reversing
// a 1080p clip into H.264, whose encoder alone takes about 450 MB, stays below 600 MB. Frames
// that do not fit are decoded again from their key frame when asked for.
constexpr int64_t kCacheBudgetBytes = int64_t(32) << 20;

Rational FrameRateOf(const AVStream* stream) {
  for (AVRational rate : {stream->avg_frame_rate, stream->r_frame_rate}) {
    if (rate.num > 0 && rate.den > 0) return {rate.num, rate.den};
  }
  return {25, 1};
}

FieldOrder FieldOrderOf(AVFieldOrder order) {
  switch (order) {
    case AV_FIELD_TT:
    case AV_FIELD_TB:
      return {true, false};
    case AV_FIELD_BB:
    case AV_FIELD_BT:
      return {true, true};
    default:
      return {};
  }
}

}  // namespace

VideoInput::VideoInput(const std::string& path, ClipAccess access,
                       std::shared_ptr<const MediaIndex> index)
    : path(path),
      access(access),
      index(std::move(index)),
      packet(av_packet_alloc()),
      decoded(av_frame_alloc()),
      current(av_frame_alloc()) {
  if (!packet || !decoded || !current) throw Failure("out of memory");
  Open();
  const AVStream* stream = format->streams[streamIndex];
  width = stream->codecpar->width;
  height = stream->codecpar->height;
  if (width <= 0 || height <= 0) throw Failure(path + ": the video has no picture size");
  rate = FrameRateOf(stream);
  fields = FieldOrderOf(stream->codecpar->field_order);
  if (!this->index) {
    BuildIndex();
    positioned = false;
  }
  if (access == ClipAccess::Random) {
    int64_t frameBytes = av_image_get_buffer_size(decoder->pix_fmt, width, height, 1);
    if (frameBytes <= 0) frameBytes = int64_t(width) * height * 4;
    const int64_t affordable = std::max<int64_t>(3, kCacheBudgetBytes / frameBytes);
    cacheCapacity = size_t(std::clamp<int64_t>(this->index->longestGroup + 2, 3, affordable));
  }
}

void VideoInput::Open() {
  decoder.reset();
  format.reset();
  AVFormatContext* opened = nullptr;
  int result = avformat_open_input(&opened, path.c_str(), nullptr, nullptr);
  if (result < 0) throw Failure("cannot read " + path + ": " + AvError(result));
  format.reset(opened);
  result = avformat_find_stream_info(opened, nullptr);
  if (result < 0) throw Failure("cannot read " + path + ": " + AvError(result));
  const AVCodec* codec = nullptr;
  streamIndex = av_find_best_stream(opened, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (streamIndex == AVERROR_DECODER_NOT_FOUND) throw Failure(path + ": no decoder for its video");
  if (streamIndex < 0) throw Failure(path + ": no video stream");
  for (unsigned i = 0; i < opened->nb_streams; ++i)
    opened->streams[i]->discard = int(i) == streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

  decoder.reset(avcodec_alloc_context3(codec));
  if (!decoder) throw Failure("out of memory");
  result = avcodec_parameters_to_context(decoder.get(), opened->streams[streamIndex]->codecpar);
  if (result >= 0) {
    // Frame threads speed up reading on, but a reader that seeks all the time gains little from
    // them and pays for every thread's pictures.
    decoder->thread_count = access == ClipAccess::Random ? 1 : 0;
    result = avcodec_open2(decoder.get(), codec, nullptr);
  }
  if (result < 0) throw Failure(path + ": cannot decode its video: " + AvError(result));
  positioned = true;
  lastDecoded = -1;
  endOfInput = false;
}

void VideoInput::BuildIndex() {
  struct Entry {
    int64_t timestamp;
    bool key;
  };
  std::vector<Entry> entries;
  bool timestamped = true;
  int result = 0;
  while ((result = av_read_frame(format.get(), packet.get())) >= 0) {
    if (packet->stream_index == streamIndex && (packet->flags & AV_PKT_FLAG_DISCARD) == 0) {
      if (packet->pts == AV_NOPTS_VALUE) timestamped = false;
      entries.push_back({packet->pts, (packet->flags & AV_PKT_FLAG_KEY) != 0});
    }
    av_packet_unref(packet.get());
  }
  if (result != AVERROR_EOF) throw Failure("cannot read " + path + ": " + AvError(result));
  if (entries.empty()) throw Failure(path + ": the video has no frames");

  auto built = std::make_shared<MediaIndex>();
  if (timestamped) {
    // Pictures shown before the first key frame (a recording cut in the middle of a group of
    // pictures) lack their references: the decoder never delivers them, so the clip starts at
    // the key frame.
    const auto firstKey =
        std::find_if(entries.begin(), entries.end(), [](const Entry& entry) { return entry.key; });
    if (firstKey != entries.end()) {
      const int64_t start = firstKey->timestamp;
      std::erase_if(entries, [start](const Entry& entry) { return entry.timestamp < start; });
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.timestamp < b.timestamp; });
    for (size_t i = 1; i < entries.size(); ++i) {
      if (entries[i].timestamp == entries[i - 1].timestamp) timestamped = false;
    }
  }
  built->frameCount = int64_t(entries.size());
  built->seekable = timestamped;
  if (timestamped) {
    for (size_t i = 0; i < entries.size(); ++i) {
      built->timestamps.push_back(entries[i].timestamp);
      if (entries[i].key) built->keyFrames.push_back(int64_t(i));
    }
  }
  // Decoding from the very start always works, whatever the first frame is flagged.
  if (built->keyFrames.empty() || built->keyFrames.front() != 0)
    built->keyFrames.insert(built->keyFrames.begin(), 0);
  for (size_t i = 0; i < built->keyFrames.size(); ++i) {
    const int64_t next =
        i + 1 < built->keyFrames.size() ? built->keyFrames[i + 1] : built->frameCount;
    built->longestGroup = std::max(built->longestGroup, next - built->keyFrames[i]);
  }
  index = std::move(built);
}

void VideoInput::SeekToKey(size_t keyPosition) {
  if (index->seekable && keyPosition > 0) {
    const int64_t key = index->keyFrames[keyPosition];
    if (av_seek_frame(format.get(), streamIndex, index->timestamps[size_t(key)],
                      AVSEEK_FLAG_BACKWARD) >= 0) {
      avcodec_flush_buffers(decoder.get());
      positioned = true;
      lastDecoded = key - 1;
      endOfInput = false;
      return;
    }
  }
  // From the start: reading the file again is the one way that works for every input.
  Open();
}

AVFrame* VideoInput::DecodeNext() {
  while (true) {
    int result = avcodec_receive_frame(decoder.get(), decoded.get());
    if (result >= 0) return decoded.get();
    if (result == AVERROR_EOF || endOfInput) return nullptr;
    if (result != AVERROR(EAGAIN)) throw Failure(path + ": cannot decode: " + AvError(result));
    result = av_read_frame(format.get(), packet.get());
    if (result < 0) {
      endOfInput = true;
      avcodec_send_packet(decoder.get(), nullptr);
      continue;
    }
    if (packet->stream_index == streamIndex) {
      // A damaged packet costs its frame, not the clip: the frame is then reported missing.
      avcodec_send_packet(decoder.get(), packet.get());
    }
    av_packet_unref(packet.get());
  }
}

int64_t VideoInput::FrameNumberOf(const AVFrame* frame) const {
  if (!index->seekable) return lastDecoded + 1;
  const int64_t timestamp =
      frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
  if (timestamp == AV_NOPTS_VALUE) return lastDecoded >= 0 ? lastDecoded + 1 : -1;
  const auto& timestamps = index->timestamps;
  const auto after = std::upper_bound(timestamps.begin(), timestamps.end(), timestamp);
  return int64_t(after - timestamps.begin()) - 1;
}

size_t VideoInput::KeyPositionFor(int64_t frame) const {
  const auto& keys = index->keyFrames;
  const auto after = std::upper_bound(keys.begin(), keys.end(), frame);
  return size_t(after - keys.begin()) - 1;
}

void VideoInput::Store(int64_t frame, const AVFrame* source) {
  if (cacheCapacity == 0) return;
  if (auto found = cache.find(frame); found != cache.end()) {
    found->second.lastUse = ++useCounter;
    return;
  }
  FramePtr copy;
  if (cache.size() >= cacheCapacity) {
    auto oldest = std::min_element(cache.begin(), cache.end(), [](const auto& a, const auto& b) {
      return a.second.lastUse < b.second.lastUse;
    });
    copy = std::move(oldest->second.frame);
    cache.erase(oldest);
    if (copy->format != source->format || copy->width != source->width ||
        copy->height != source->height) {
      copy.reset();
    }
  }
  // A copy of its own, not a reference: the decoder's buffer pool would otherwise grow by every
  // frame the cache holds.
  if (!copy) {
    copy.reset(av_frame_alloc());
    if (!copy) throw Failure("out of memory");
    copy->format = source->format;
    copy->width = source->width;
    copy->height = source->height;
    if (av_frame_get_buffer(copy.get(), 0) < 0) throw Failure("out of memory");
  }
  if (av_frame_copy(copy.get(), source) < 0 || av_frame_copy_props(copy.get(), source) < 0)
    throw Failure("out of memory");
  cache.emplace(frame, Cached{std::move(copy), ++useCounter});
}

const AVFrame* VideoInput::Fetch(int64_t frame) {
  if (frame == currentNumber) return current.get();
  if (auto found = cache.find(frame); found != cache.end()) {
    found->second.lastUse = ++useCounter;
    return found->second.frame.get();
  }
  size_t keyPosition = KeyPositionFor(frame);
  // Decoding on from where the decoder stands beats a seek unless a key frame lies in between.
  const bool readOn = positioned && lastDecoded < frame &&
                      (!index->seekable || index->keyFrames[keyPosition] <= lastDecoded + 1);
  bool sought = !readOn;
  if (sought) SeekToKey(keyPosition);
  while (true) {
    const int64_t firstGood = index->keyFrames[keyPosition];
    while (AVFrame* next = DecodeNext()) {
      const int64_t number = FrameNumberOf(next);
      if (number < 0) continue;
      lastDecoded = number;
      if (number == frame) {
        av_frame_unref(current.get());
        av_frame_move_ref(current.get(), next);
        currentNumber = number;
        Store(number, current.get());
        return current.get();
      }
      if (number > frame) break;  // the seek landed after the frame
      if (number >= firstGood) Store(number, next);
    }
    // The frame did not come: start again from an earlier key frame, at last from the start.
    if (sought && (keyPosition == 0 || !index->seekable))
      throw Failure(path + ": cannot decode frame " + std::to_string(frame));
    if (sought) --keyPosition;
    SeekToKey(keyPosition);
    sought = true;
  }
}

void VideoInput::Convert(const AVFrame* frame, host::Image& image) {
  const uint32_t depth = image.Shape().bitDepth;
  if (depth != 24 && depth != 32)
    throw Failure("pictures of " + std::to_string(depth) + " bits per pixel are not supported");
  const auto source = AVPixelFormat(frame->format);
  SwsContext* previous = scaler.get();
  scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height, source,
                                    int(image.Width()), int(image.Height()),
                                    depth == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGRA, SWS_BILINEAR,
                                    nullptr, nullptr, nullptr));
  if (!scaler)
    throw Failure(path + ": cannot convert pictures of pixel format " +
                  (av_get_pix_fmt_name(source) ? av_get_pix_fmt_name(source) : "unknown"));
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(source);
  if (description != nullptr && (description->flags & AV_PIX_FMT_FLAG_RGB) == 0) {
    const int colorSpace = frame->colorspace != AVCOL_SPC_UNSPECIFIED
                               ? int(frame->colorspace)
                               : int(DefaultColorSpace(frame->height));
    const int fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    if (scaler.get() != previous || colorSpace != scalerColorSpace || fullRange != scalerRange) {
      sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(colorSpace), fullRange,
                               sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
      scalerColorSpace = colorSpace;
      scalerRange = fullRange;
    }
  }
  uint8_t* target[4] = {image.Row(0), nullptr, nullptr, nullptr};
  int targetStride[4] = {
      image.Height() > 1 ? int(image.Row(1) - image.Row(0)) : image.GetRowStride(), 0, 0, 0};
  sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, target, targetStride);
  if (depth == 32) {
    // The fourth byte is padding, not alpha. Whole pixels are masked, which vectorizes.
    constexpr uint32_t keep =
        std::endian::native == std::endian::little ? 0x00FFFFFFu : 0xFFFFFF00u;
    const uint32_t width = image.Width();
    for (uint32_t y = 0; y < image.Height(); ++y) {
      uint8_t* row = image.Row(y);
      for (uint32_t x = 0; x < width; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, row + size_t(x) * 4, 4);
        pixel &= keep;
        std::memcpy(row + size_t(x) * 4, &pixel, 4);
      }
    }
  }
}

FieldOrder VideoInput::Read(int64_t frame, host::Image& image) {
  if (frame < 0 || frame >= index->frameCount)
    throw Failure(path + ": no frame " + std::to_string(frame));
  const AVFrame* decodedFrame = Fetch(frame);
  Convert(decodedFrame, image);
  return {IsInterlaced(decodedFrame), IsInterlaced(decodedFrame) && !IsTopFieldFirst(decodedFrame)};
}

std::unique_ptr<Clip> VideoInput::Reopen(ClipAccess newAccess) const {
  return std::make_unique<VideoInput>(path, newAccess, index);
}

}  // namespace lumov::tool
