// The built-in clip: colour bars, moving shapes, a grey ramp and the frame number, drawn afresh
// for every frame, so that every effect can be seen at work without any file.
#pragma once

#include "clip.h"

namespace lumov::tool {

struct SampleSpec {
  int width = 640;
  int height = 360;
  int64_t frames = 100;
  bool interlaced = false;  // upper field first; the lower field shows the scene half a frame later
};

// Reads "sample:[WxH][:FRAMES][:interlaced]", in any order after the colon. Throws UsageError.
SampleSpec ParseSampleSpec(const std::string& input);

class SampleClip final : public Clip {
 public:
  explicit SampleClip(const SampleSpec& shape) : shape(shape) {}

  int64_t FrameCount() const override { return shape.frames; }
  int Width() const override { return shape.width; }
  int Height() const override { return shape.height; }
  Rational FrameRate() const override { return {25, 1}; }
  FieldOrder Fields() const override { return {shape.interlaced, false}; }
  FieldOrder Read(int64_t index, host::Image& image) override;
  std::unique_ptr<Clip> Reopen(ClipAccess) const override {
    return std::make_unique<SampleClip>(shape);
  }

 private:
  SampleSpec shape;
};

}  // namespace lumov::tool
