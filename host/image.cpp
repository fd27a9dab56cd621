#include "image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

namespace lumov::host {
namespace {

// How the output samples of one axis are made from the input samples. Weights are single
// precision: eight-bit samples need no more, and the passes vectorize twice as wide.
struct Taps {
  std::vector<uint32_t> first;  // first input sample of each output sample
  std::vector<uint32_t> count;
  std::vector<uint32_t> offset;  // into weights
  std::vector<float> weights;
};

Taps MakeTaps(uint32_t inSize, uint32_t outSize) {
  Taps taps;
  taps.first.resize(outSize);
  taps.count.resize(outSize);
  taps.offset.resize(outSize);
  const double scale = double(inSize) / double(outSize);
  for (uint32_t i = 0; i < outSize; ++i) {
    taps.offset[i] = uint32_t(taps.weights.size());
    if (outSize < inSize) {
      // Area average: every input sample weighs by how much of it the output sample covers.
      const double low = i * scale;
      const double high = std::min(double(inSize), (i + 1) * scale);
      const auto begin = uint32_t(low);
      const auto end = std::min(inSize, uint32_t(std::ceil(high)));
      taps.first[i] = begin;
      taps.count[i] = end - begin;
      for (uint32_t j = begin; j < end; ++j) {
        const double covered = std::min(high, double(j + 1)) - std::max(low, double(j));
        taps.weights.push_back(float(covered / scale));
      }
    } else {
      // Bilinear between the two input samples around the output sample's centre.
      const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, double(inSize - 1));
      const auto below = uint32_t(centre);
      const double fraction = centre - below;
      taps.first[i] = below;
      if (below + 1 < inSize) {
        taps.count[i] = 2;
        taps.weights.push_back(float(1.0 - fraction));
        taps.weights.push_back(float(fraction));
      } else {
        taps.count[i] = 1;
        taps.weights.push_back(1.0f);
      }
    }
  }
  return taps;
}

// One row across: every output pixel from the input pixels its taps name, channel by channel.
// The usual pixel sizes get a fixed channel count so that the inner loop unrolls.
template <uint32_t kChannels>
void ResampleRow(const uint8_t* in, float* out, const Taps& taps, uint32_t outWidth,
                 uint32_t channels) {
  const uint32_t n = kChannels != 0 ? kChannels : channels;
  for (uint32_t x = 0; x < outWidth; ++x, out += n) {
    const float* weight = taps.weights.data() + taps.offset[x];
    const uint8_t* pixel = in + size_t(taps.first[x]) * n;
    for (uint32_t c = 0; c < n; ++c) out[c] = 0.0f;
    for (uint32_t t = 0; t < taps.count[x]; ++t, pixel += n)
      for (uint32_t c = 0; c < n; ++c) out[c] += weight[t] * pixel[c];
  }
}

void ResampleRow(const uint8_t* in, float* out, const Taps& taps, uint32_t outWidth,
                 uint32_t channels) {
  switch (channels) {
    case 1:
      return ResampleRow<1>(in, out, taps, outWidth, channels);
    case 3:
      return ResampleRow<3>(in, out, taps, outWidth, channels);
    case 4:
      return ResampleRow<4>(in, out, taps, outWidth, channels);
    default:
      return ResampleRow<0>(in, out, taps, outWidth, channels);
  }
}

// Samples are never negative, so truncating after adding one half rounds to nearest.
uint8_t ToByte(float value) {
  return uint8_t(std::min(value + 0.5f, 255.0f));
}

// Fills `to` with the picture of `from` at its own size: across into a buffer of wider samples,
// then down, one new row at a time so that the rows it reads stay in the cache. False when the
// buffer cannot be counted in memory.
bool ResamplePixels(const Image& from, Image& to) {
  const uint32_t channels = from.Shape().BytesPerPixel();
  const Taps across = MakeTaps(from.Width(), to.Width());
  const Taps down = MakeTaps(from.Height(), to.Height());
  const size_t wideRow = size_t(to.Width()) * channels;
  if (wideRow > std::numeric_limits<size_t>::max() / sizeof(float) / from.Height()) return false;
  std::vector<float> wide(wideRow * from.Height());
  for (uint32_t y = 0; y < from.Height(); ++y)
    ResampleRow(from.Row(y), wide.data() + y * wideRow, across, to.Width(), channels);
  std::vector<float> sum(wideRow);
  for (uint32_t y = 0; y < to.Height(); ++y) {
    const float* weight = down.weights.data() + down.offset[y];
    std::fill(sum.begin(), sum.end(), 0.0f);
    for (uint32_t t = 0; t < down.count[y]; ++t) {
      const float* in = wide.data() + size_t(down.first[y] + t) * wideRow;
      const float w = weight[t];
      for (size_t i = 0; i < wideRow; ++i) sum[i] += w * in[i];
    }
    uint8_t* out = to.Row(y);
    for (size_t i = 0; i < wideRow; ++i) out[i] = ToByte(sum[i]);
  }
  return true;
}

bool ValidFactor(double factor) {
  return std::isfinite(factor) && factor > 0.0;
}

uint32_t ScaledSize(uint32_t size, double factor) {
  const double scaled = std::round(double(size) * factor);
  if (!(scaled >= 1.0)) return 1;
  if (scaled > double(std::numeric_limits<int32_t>::max())) return 0;
  return uint32_t(scaled);
}

}  // namespace

ComRef<Image> Image::Create(const ImageShape& shape) {
  ComRef<Image> image = ComRef<Image>::Share(new Image());
  if (!image->Allocate(shape)) return {};
  return image;
}

bool Image::Allocate(const ImageShape& newSpec) {
  if (newSpec.bitDepth == 0 || newSpec.bitDepth > 64) return false;
  const size_t rowBytes = newSpec.RowBytes();
  const size_t strideBytes = rowBytes + newSpec.rowPadding;
  if (strideBytes > size_t(std::numeric_limits<int32_t>::max())) return false;
  if (newSpec.height != 0 && strideBytes > std::numeric_limits<size_t>::max() / newSpec.height)
    return false;
  const size_t size = strideBytes * newSpec.height;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[std::max<size_t>(size, 1)]());
  if (block == nullptr) return false;
  shape = newSpec;
  storage = std::move(block);
  storageSize = size;
  if (newSpec.negativeStride) {
    stride = -int32_t(strideBytes);
    storedRow0 = storage.get() + (newSpec.height > 0 ? (newSpec.height - 1) * strideBytes : 0);
  } else {
    stride = int32_t(strideBytes);
    storedRow0 = storage.get();
  }
  return true;
}

uint8_t* Image::Row(uint32_t y) const {
  const uint32_t stored = shape.bottomUp ? shape.height - 1 - y : y;
  return storedRow0 + ptrdiff_t(stored) * stride;
}

void Image::SetFieldMode(int32_t fieldMode, int32_t fieldDominance) {
  shape.fieldMode = fieldMode;
  shape.fieldDominance = fieldDominance;
}

int32_t Image::GetFormat(const GUID* iid, IImageFormat** format) {
  if (format == nullptr) return kInvalidArgument;
  *format = nullptr;
  auto created = New<ImageFormat>(shape);
  return created->QueryInterface(iid, reinterpret_cast<void**>(format));
}

int32_t Image::CopyTo(IImageBuffer* target, int32_t) {
  auto* other = dynamic_cast<Image*>(target);
  if (other == nullptr || other->shape.bitDepth != shape.bitDepth) return kUnsupported;
  if (other == this) return kResultOk;
  const uint32_t rows = std::min(shape.height, other->shape.height);
  const size_t bytes = std::min(RowBytes(), other->RowBytes());
  for (uint32_t y = 0; y < rows; ++y) std::memcpy(other->Row(y), Row(y), bytes);
  return kResultOk;
}

int32_t Image::Resample(double sx, double sy, int32_t, int32_t) {
  if (!ValidFactor(sx) || !ValidFactor(sy)) return kInvalidArgument;
  if (shape.bitDepth % 8 != 0 || shape.width == 0 || shape.height == 0) return kUnsupported;
  ImageShape scaled = shape;
  scaled.width = ScaledSize(shape.width, sx);
  scaled.height = ScaledSize(shape.height, sy);
  if (scaled.width == 0 || scaled.height == 0) return kOutOfMemory;
  if (scaled.width == shape.width && scaled.height == shape.height) return kResultOk;

  auto result = Create(scaled);
  if (!result) return kOutOfMemory;
  // The working buffers may be too large to have, which fails as the new image itself would.
  try {
    if (!ResamplePixels(*this, *result)) return kOutOfMemory;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (const std::length_error&) {
    return kOutOfMemory;
  }
  shape = scaled;
  storage = std::move(result->storage);
  storageSize = result->storageSize;
  stride = result->stride;
  storedRow0 = result->storedRow0;
  return kResultOk;
}

int32_t Image::Clear() {
  if (storageSize > 0) std::memset(storage.get(), 0, storageSize);
  return kResultOk;
}

int32_t ImageFactory::PrepareOutput(const GUID* iid, IImageHolder* output, IImageFormat* format,
                                    int32_t, int32_t) {
  auto* holder = dynamic_cast<ImageHolder*>(output);
  auto* ours = dynamic_cast<ImageFormat*>(format);
  if (iid == nullptr || !(*iid == kPrepareOutputIid) || holder == nullptr || ours == nullptr)
    return kInvalidArgument;
  if (holder->Get() != nullptr && holder->Get()->Shape() == ours->Shape()) return kResultOk;
  auto image = Image::Create(ours->Shape());
  if (!image) return kOutOfMemory;
  holder->Set(std::move(image));
  return kResultOk;
}

int32_t ImageFactory::CreateImageBufferInstance(const GUID* iid, IImageBuffer** image, int32_t v1,
                                                int32_t v2, IImageFormat* format, int32_t v3,
                                                int32_t v4) {
  if (image == nullptr) return kInvalidArgument;
  *image = nullptr;
  auto* ours = dynamic_cast<ImageFormat*>(format);
  if (iid == nullptr || !(*iid == IImageBuffer::kIid) || ours == nullptr) return kInvalidArgument;
  ComRef<Image> created = frameProvider ? frameProvider(FrameValues{v1, v2, v3, v4}, ours->Shape())
                                        : Image::Create(ours->Shape());
  if (!created) return kNotFound;
  return created->QueryInterface(iid, reinterpret_cast<void**>(image));
}

}  // namespace lumov::host
