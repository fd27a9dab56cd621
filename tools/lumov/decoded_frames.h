// The frames that the tool's frame source reads for effects that read frames other than the
// current one (Reverse): the selected part of the input, through a clip reader of its own with a
// bounded cache.
#pragma once

#include <memory>

#include "clip.h"
#include "frame_source.h"

namespace lumov::tool {

class DecodedFrames final : public host::FrameStore {
 public:
  // Frames first .. first + count - 1 of `clip`, numbered from 0.
  DecodedFrames(std::unique_ptr<Clip> clip, int64_t first, int64_t count)
      : clip(std::move(clip)), first(first), count(count) {}

  int64_t FrameCount() const override { return count; }
  // A frame is read in the format the effect asks for (that of its current frame).
  host::ImageShape ShapeFor(int64_t, const host::ImageShape& asked) const override { return asked; }
  bool Read(int64_t number, host::Image& image, std::string& error) override;

  const Clip& Reader() const { return *clip; }

 private:
  std::unique_ptr<Clip> clip;
  int64_t first;
  int64_t count;
};

}  // namespace lumov::tool
