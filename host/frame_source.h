// The frame source a host attaches to an effect that reads frames other than the current one
// (Reverse): frames are read by their distance from the current frame, and the image factory
// makes the image of a frame read from the values the read handed back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image.h"

namespace lumov::host {

// The frames a frame source reads: a clip held in memory, or one a host decodes when asked.
class FrameStore {
 public:
  virtual ~FrameStore() = default;
  virtual int64_t FrameCount() const = 0;
  // The shape of the image that frame `number` is read into, given the shape of the format the
  // effect passed on with the read.
  virtual ImageShape ShapeFor(int64_t number, const ImageShape& asked) const = 0;
  // Copies frame `number` into `image`; false with the reason in `error`.
  virtual bool Read(int64_t number, Image& image, std::string& error) = 0;
};

// Frames held in memory, each read in its own shape.
class MemoryClip final : public FrameStore {
 public:
  explicit MemoryClip(std::vector<ComRef<Image>> frames) : frames(std::move(frames)) {}

  int64_t FrameCount() const override { return int64_t(frames.size()); }
  ImageShape ShapeFor(int64_t number, const ImageShape&) const override {
    return frames[size_t(number)]->Shape();
  }
  bool Read(int64_t number, Image& image, std::string& error) override;

  const std::vector<ComRef<Image>>& Frames() const { return frames; }

 private:
  std::vector<ComRef<Image>> frames;
};

class ClipFrameSource : public HostObject<IFrameSource> {
 public:
  using Clip = std::vector<ComRef<Image>>;

  // The current frame is the one `position` names at the time of each read; the position is
  // borrowed and must outlive the source.
  ClipFrameSource(std::shared_ptr<FrameStore> store, IFramePosition& position);
  // A clip held in memory.
  ClipFrameSource(Clip frames, IFramePosition& position);

  // Frame values: v1 is the frame's number in the clip, the others 0. Reads outside the clip
  // fail with kNotFound. The format is not needed here: the provider is given its shape.
  int32_t LUMOV_CALL ReadFrame(int32_t offset, int32_t* v1, IImageFormat* format, int32_t* v2,
                               int32_t* v3, int32_t* v4) override;

  // Hands out an image holding a copy of the frame that the values name, that nobody else
  // holds, so that whoever gets it may change it; null when the values name no frame or it
  // cannot be read. Every image handed out is kept (one reference) until a later call finds it
  // released: one that still has the wanted shape is filled again instead of making a new one,
  // so a read costs one frame copy. The provider keeps the store alive by itself and may
  // outlive the source.
  ImageFactory::FrameProvider Provider() const;
  // Lets the factory make the images of the frames this source reads.
  void ProvideFramesTo(ImageFactory& factory) const { factory.SetFrameProvider(Provider()); }

  FrameStore& Store() const;
  // Why the last frame that could not be handed out failed; empty while none has.
  const std::string& Error() const;

 private:
  struct State;
  std::shared_ptr<State> state;
  IFramePosition& position;
};

}  // namespace lumov::host
