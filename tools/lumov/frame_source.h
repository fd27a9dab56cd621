// The frame source the tool attaches to effects that read frames other than the current one
// (Reverse): frames of the selected part of the input, read through a clip reader of its own with
// a bounded cache, each handed out as a fresh image.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "clip.h"
#include "host_object.h"
#include "image.h"

namespace lumov::tool {

class ClipFrameSource : public host::HostObject<IFrameSource> {
 public:
  // Frames first .. first + count - 1 of `clip`; offsets count from `position`'s current frame.
  ClipFrameSource(std::unique_ptr<Clip> clip, int64_t first, int64_t count,
                  host::FramePosition& position);

  // The first frame value names the frame (0 = the first selected one); the others are 0.
  int32_t LUMOV_CALL ReadFrame(int32_t offset, int32_t* v1, IImageFormat* format, int32_t* v2,
                               int32_t* v3, int32_t* v4) override;

  // The image factory's frame provider: a new image of the given format holding the frame.
  ComRef<host::Image> MakeImage(const host::FrameValues& values, const host::ImageShape& shape);

  // Why the last frame asked for could not be read; empty when all went well.
  const std::string& Error() const { return error; }
  const Clip& Reader() const { return *clip; }

 private:
  std::unique_ptr<Clip> clip;
  int64_t first;
  int64_t count;
  host::FramePosition& position;
  std::string error;
  // Images handed out lately, for reuse once the effect has released them. Reverse holds two
  // at a time at most.
  static constexpr size_t kSpareImages = 2;
  std::vector<ComRef<host::Image>> spare;
};

}  // namespace lumov::tool
