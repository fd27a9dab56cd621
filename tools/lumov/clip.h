// A video clip whose frames are read by number as BGRA or BGR pictures: a file FFmpeg can read, or
// the built-in sample clip.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image.h"

namespace lumov::tool {

struct Rational {
  int num = 25;
  int den = 1;
  double Value() const { return double(num) / double(den); }
};

struct FieldOrder {
  bool interlaced = false;
  bool bottomFirst = false;
};

enum class ClipAccess {
  Sequential,  // frames are asked for mostly in increasing order
  Random,      // frames are asked for in any order, backwards too: keep a bounded cache
};

class Clip {
 public:
  virtual ~Clip() = default;

  virtual int64_t FrameCount() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual Rational FrameRate() const = 0;
  // The clip's field order as far as it is known before the first frame is read.
  virtual FieldOrder Fields() const = 0;
  // Writes frame `index` into `image` (24 or 32 bits per pixel, scaled to the image's size when
  // it differs) and gives the frame's own field order. With 32 bits the fourth byte of every
  // pixel is 0. Throws Failure.
  virtual FieldOrder Read(int64_t index, host::Image& image) = 0;
  // Another reader of the same clip, with its own position, for the given way of access.
  virtual std::unique_ptr<Clip> Reopen(ClipAccess access) const = 0;
};

// `input` is a file, an image sequence pattern, or "sample:[WxH][:FRAMES][:interlaced]". Throws
// UsageError for a malformed sample clip and Failure for a file that cannot be read.
std::unique_ptr<Clip> OpenClip(const std::string& input, ClipAccess access);

bool IsSampleClip(const std::string& input);

}  // namespace lumov::tool
