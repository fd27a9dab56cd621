#include "frame_source.h"

namespace lumov::host {

ClipFrameSource::ClipFrameSource(Clip frames, IFramePosition& position)
    : clip(std::make_shared<const Clip>(std::move(frames))), position(position) {}

int32_t ClipFrameSource::ReadFrame(int32_t offset, int32_t* v1, IImageFormat*, int32_t* v2,
                                   int32_t* v3, int32_t* v4) {
  if (v1 == nullptr || v2 == nullptr || v3 == nullptr || v4 == nullptr) return kInvalidArgument;
  const int64_t frame = int64_t(position.GetCurrentFrame()) + offset;
  if (frame < 0 || frame >= int64_t(clip->size())) return kNotFound;
  *v1 = int32_t(frame);
  *v2 = 0;
  *v3 = 0;
  *v4 = 0;
  return kResultOk;
}

ImageFactory::FrameProvider ClipFrameSource::Provider() const {
  return [clip = clip](const FrameValues& values, const ImageFormatSpec&) -> ComRef<Image> {
    if (values.v1 < 0 || size_t(values.v1) >= clip->size()) return {};
    Image& frame = *(*clip)[size_t(values.v1)];
    ComRef<Image> copy = Image::Create(frame.Spec());
    if (copy) frame.CopyTo(copy.get(), 2);
    return copy;
  };
}

}  // namespace lumov::host
