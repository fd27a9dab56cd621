#include "frame_source.h"

#include <exception>

namespace lumov::tool {

ClipFrameSource::ClipFrameSource(std::unique_ptr<Clip> clip, int64_t first, int64_t count,
                                 host::FramePosition& position)
    : clip(std::move(clip)), first(first), count(count), position(position) {}

int32_t ClipFrameSource::ReadFrame(int32_t offset, int32_t* v1, IImageFormat*, int32_t* v2,
                                   int32_t* v3, int32_t* v4) {
  if (v1 == nullptr || v2 == nullptr || v3 == nullptr || v4 == nullptr)
    return host::kInvalidArgument;
  const int64_t frame = int64_t(position.GetCurrentFrame()) + offset;
  if (frame < 0 || frame >= count) return host::kNotFound;
  *v1 = int32_t(frame);
  *v2 = 0;
  *v3 = 0;
  *v4 = 0;
  return kResultOk;
}

ComRef<host::Image> ClipFrameSource::MakeImage(const host::FrameValues& values,
                                               const host::ImageShape& shape) {
  if (values.v1 < 0 || values.v1 >= count) return {};
  // An image the effect has released (only this source still holds it) and left in the format
  // asked for is as good as a new one and spares allocating a whole picture for every read.
  ComRef<host::Image> image;
  for (ComRef<host::Image>& kept : spare) {
    if (kept->GetRefCount() == 1 && kept->Shape() == shape) {
      image = kept;
      break;
    }
  }
  if (!image) {
    image = host::Image::Create(shape);
    if (image) {
      if (spare.size() == kSpareImages) spare.erase(spare.begin());
      spare.push_back(image);
    }
  }
  if (!image) {
    error = "out of memory for a frame of " + std::to_string(shape.width) + "x" +
            std::to_string(shape.height);
    return {};
  }
  try {
    clip->Read(first + values.v1, *image);
  } catch (const std::exception& failure) {
    error = failure.what();
    return {};
  }
  return image;
}

}  // namespace lumov::tool
