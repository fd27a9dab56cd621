// A frame source over a clip held in memory, as a host attaches it to the Reverse effect: frames
// are read by their distance from the current frame, and the image factory makes the image of a
// frame read from the values the read handed back.
#pragma once

#include <memory>
#include <vector>

#include "image.h"

namespace lumov::host {

class ClipFrameSource : public HostObject<IFrameSource> {
 public:
  using Clip = std::vector<ComRef<Image>>;

  // The current frame is the one `position` names at the time of each read; the position is
  // borrowed and must outlive the source.
  ClipFrameSource(Clip frames, IFramePosition& position);

  // Frame values: v1 is the frame's number in the clip, the others 0. Reads outside the clip
  // fail with kNotFound. The format is not needed: every frame keeps its own.
  int32_t LUMOV_CALL ReadFrame(int32_t offset, int32_t* v1, IImageFormat* format, int32_t* v2,
                               int32_t* v3, int32_t* v4) override;

  // Hands out an image holding a copy of the frame that the values name, in the frame's own
  // format, that nobody else holds, so that whoever gets it may change it; null when the values
  // name no frame. Every image handed out is kept (one reference) until a later call finds it
  // released: one that still has the wanted frame's format is filled again instead of making a
  // new one, so a read costs one frame copy. The provider keeps the clip alive by itself and may
  // outlive the source.
  ImageFactory::FrameProvider Provider() const;
  // Lets the factory make the images of the frames this source reads.
  void ProvideFramesTo(ImageFactory& factory) const { factory.SetFrameProvider(Provider()); }

  const Clip& Frames() const;

 private:
  struct Store;
  std::shared_ptr<Store> store;
  IFramePosition& position;
};

}  // namespace lumov::host
