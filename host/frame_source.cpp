#include "frame_source.h"

namespace lumov::host {

bool MemoryClip::Read(int64_t number, Image& image, std::string& error) {
  if (frames[size_t(number)]->CopyTo(&image, 2) == kResultOk) return true;
  error = "frame " + std::to_string(number) + " cannot be copied";
  return false;
}

struct ClipFrameSource::State {
  std::shared_ptr<FrameStore> store;
  std::vector<ComRef<Image>> handedOut;
  std::string error;

  ComRef<Image> CopyOf(int64_t number, const ImageShape& asked);
};

ComRef<Image> ClipFrameSource::State::CopyOf(int64_t number, const ImageShape& asked) {
  if (number < 0 || number >= store->FrameCount()) return {};
  const ImageShape shape = store->ShapeFor(number, asked);
  // Images that only this source still holds are free: one in the wanted shape is refilled,
  // those in another shape (an effect may have resampled them) are dropped.
  ComRef<Image> copy;
  for (auto image = handedOut.begin(); image != handedOut.end();) {
    const bool free = (*image)->GetRefCount() == 1;
    const bool fits = (*image)->Shape() == shape;
    if (free && fits && !copy) copy = *image;
    if (free && !fits) {
      image = handedOut.erase(image);
    } else {
      ++image;
    }
  }
  if (!copy) {
    copy = Image::Create(shape);
    if (!copy) {
      error = "out of memory for a frame of " + std::to_string(shape.width) + "x" +
              std::to_string(shape.height);
      return {};
    }
    handedOut.push_back(copy);
  }
  if (!store->Read(number, *copy, error)) return {};
  return copy;
}

ClipFrameSource::ClipFrameSource(std::shared_ptr<FrameStore> store, IFramePosition& position)
    : state(std::make_shared<State>(State{std::move(store), {}, {}})), position(position) {}

ClipFrameSource::ClipFrameSource(Clip frames, IFramePosition& position)
    : ClipFrameSource(std::make_shared<MemoryClip>(std::move(frames)), position) {}

FrameStore& ClipFrameSource::Store() const {
  return *state->store;
}

const std::string& ClipFrameSource::Error() const {
  return state->error;
}

int32_t ClipFrameSource::ReadFrame(int32_t offset, int32_t* v1, IImageFormat*, int32_t* v2,
                                   int32_t* v3, int32_t* v4) {
  if (v1 == nullptr || v2 == nullptr || v3 == nullptr || v4 == nullptr) return kInvalidArgument;
  const int64_t frame = int64_t(position.GetCurrentFrame()) + offset;
  if (frame < 0 || frame >= state->store->FrameCount()) return kNotFound;
  *v1 = int32_t(frame);
  *v2 = 0;
  *v3 = 0;
  *v4 = 0;
  return kResultOk;
}

ImageFactory::FrameProvider ClipFrameSource::Provider() const {
  return [state = state](const FrameValues& values, const ImageShape& asked) {
    return state->CopyOf(values.v1, asked);
  };
}

}  // namespace lumov::host
