#include "frame_source.h"

namespace lumov::host {

struct ClipFrameSource::Store {
  Clip frames;
  std::vector<ComRef<Image>> handedOut;

  ComRef<Image> CopyOf(int32_t number);
};

ComRef<Image> ClipFrameSource::Store::CopyOf(int32_t number) {
  if (number < 0 || size_t(number) >= frames.size()) return {};
  Image& frame = *frames[size_t(number)];
  // Images that only this store still holds are free: one in the frame's format is refilled,
  // those in another format (an effect may have resampled them) are dropped.
  ComRef<Image> copy;
  for (auto image = handedOut.begin(); image != handedOut.end();) {
    const bool free = (*image)->GetRefCount() == 1;
    const bool fits = (*image)->Shape() == frame.Shape();
    if (free && fits && !copy) copy = *image;
    if (free && !fits) {
      image = handedOut.erase(image);
    } else {
      ++image;
    }
  }
  if (!copy) {
    copy = Image::Create(frame.Shape());
    if (!copy) return {};
    handedOut.push_back(copy);
  }
  frame.CopyTo(copy.get(), 2);
  return copy;
}

ClipFrameSource::ClipFrameSource(Clip frames, IFramePosition& position)
    : store(std::make_shared<Store>(Store{std::move(frames), {}})), position(position) {}

const ClipFrameSource::Clip& ClipFrameSource::Frames() const {
  return store->frames;
}

int32_t ClipFrameSource::ReadFrame(int32_t offset, int32_t* v1, IImageFormat*, int32_t* v2,
                                   int32_t* v3, int32_t* v4) {
  if (v1 == nullptr || v2 == nullptr || v3 == nullptr || v4 == nullptr) return kInvalidArgument;
  const int64_t frame = int64_t(position.GetCurrentFrame()) + offset;
  if (frame < 0 || frame >= int64_t(store->frames.size())) return kNotFound;
  *v1 = int32_t(frame);
  *v2 = 0;
  *v3 = 0;
  *v4 = 0;
  return kResultOk;
}

ImageFactory::FrameProvider ClipFrameSource::Provider() const {
  return [store = store](const FrameValues& values, const ImageShape&) {
    return store->CopyOf(values.v1);
  };
}

}  // namespace lumov::host
