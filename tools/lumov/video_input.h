// Frames of a file FFmpeg can read (a video, a still image, an image sequence), found by number.
// The file is indexed once by its packets (no decoding), so that a frame can be reached by
// seeking to the nearest key frame before it and decoding from there.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "clip.h"
#include "ffmpeg.h"

namespace lumov::tool {

// Every frame's presentation time stamp, in presentation order, and the key frames among them.
struct MediaIndex {
  std::vector<int64_t> timestamps;
  std::vector<int64_t> keyFrames;  // frame numbers, ascending; frame 0 is always one
  bool seekable = true;            // the time stamps identify the frames
  int64_t frameCount = 0;
  int64_t longestGroup = 1;  // the most frames from one key frame to the next
};

class VideoInput final : public Clip {
 public:
  // Throws Failure when the file cannot be read or holds no video.
  VideoInput(const std::string& path, ClipAccess access,
             std::shared_ptr<const MediaIndex> index = nullptr);

  int64_t FrameCount() const override { return index->frameCount; }
  int Width() const override { return width; }
  int Height() const override { return height; }
  Rational FrameRate() const override { return rate; }
  FieldOrder Fields() const override { return fields; }
  FieldOrder Read(int64_t frame, host::Image& image) override;
  std::unique_ptr<Clip> Reopen(ClipAccess access) const override;

  // How many decoded frames the reader keeps at most (random access only).
  size_t CacheCapacity() const { return cacheCapacity; }

 private:
  struct Cached {
    FramePtr frame;
    uint64_t lastUse = 0;
  };

  void Open();
  void BuildIndex();
  void SeekToKey(size_t keyPosition);
  // The next decoded frame, or null at the end of the stream.
  AVFrame* DecodeNext();
  int64_t FrameNumberOf(const AVFrame* frame) const;
  size_t KeyPositionFor(int64_t frame) const;
  const AVFrame* Fetch(int64_t frame);
  void Store(int64_t frame, const AVFrame* source);
  void Convert(const AVFrame* frame, host::Image& image);

  std::string path;
  ClipAccess access;
  std::shared_ptr<const MediaIndex> index;
  InputFormatPtr format;
  CodecContextPtr decoder;
  int streamIndex = -1;
  PacketPtr packet;
  FramePtr decoded;
  int width = 0;
  int height = 0;
  Rational rate;
  FieldOrder fields;

  bool positioned = false;   // the decoder reads on from a known place
  int64_t lastDecoded = -1;  // number of the frame decoded last since that place, -1 none yet
  bool endOfInput = false;   // the demuxer is exhausted and the decoder is draining

  FramePtr current;  // the frame handed out last
  int64_t currentNumber = -1;
  size_t cacheCapacity = 0;
  std::map<int64_t, Cached> cache;
  uint64_t useCounter = 0;

  ScalerPtr scaler;
  int scalerColorSpace = -1;
  int scalerRange = -1;
};

}  // namespace lumov::tool
