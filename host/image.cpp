#include "image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace lumov::host {
namespace {

// How the output samples of one axis are made from the input samples.
struct Taps {
  std::vector<uint32_t> first;  // first input sample of each output sample
  std::vector<uint32_t> count;
  std::vector<uint32_t> offset;  // into weights
  std::vector<double> weights;
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
        taps.weights.push_back(covered / scale);
      }
    } else {
      // Bilinear between the two input samples around the output sample's centre.
      const double centre =
          std::clamp((i + 0.5) * scale - 0.5, 0.0, double(inSize - 1));
      const auto below = uint32_t(centre);
      const double fraction = centre - below;
      taps.first[i] = below;
      if (below + 1 < inSize) {
        taps.count[i] = 2;
        taps.weights.push_back(1.0 - fraction);
        taps.weights.push_back(fraction);
      } else {
        taps.count[i] = 1;
        taps.weights.push_back(1.0);
      }
    }
  }
  return taps;
}

uint8_t ToByte(double value) {
  return uint8_t(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
}

bool ValidFactor(double factor) { return std::isfinite(factor) && factor > 0.0; }

uint32_t ScaledSize(uint32_t size, double factor) {
  const double scaled = std::round(double(size) * factor);
  if (!(scaled >= 1.0)) return 1;
  if (scaled > double(std::numeric_limits<int32_t>::max())) return 0;
  return uint32_t(scaled);
}

}  // namespace

ComRef<Image> Image::Create(const ImageFormatSpec& spec) {
  ComRef<Image> image = ComRef<Image>::Share(new Image());
  if (!image->Allocate(spec)) return {};
  return image;
}

bool Image::Allocate(const ImageFormatSpec& newSpec) {
  if (newSpec.bitDepth == 0 || newSpec.bitDepth > 64) return false;
  const size_t rowBytes = newSpec.RowBytes();
  const size_t strideBytes = rowBytes + newSpec.rowPadding;
  if (strideBytes > size_t(std::numeric_limits<int32_t>::max())) return false;
  if (newSpec.height != 0 && strideBytes > std::numeric_limits<size_t>::max() / newSpec.height)
    return false;
  const size_t size = strideBytes * newSpec.height;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[std::max<size_t>(size, 1)]());
  if (block == nullptr) return false;
  spec = newSpec;
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
  const uint32_t stored = spec.bottomUp ? spec.height - 1 - y : y;
  return storedRow0 + ptrdiff_t(stored) * stride;
}

void Image::SetFieldMode(int32_t fieldMode, int32_t fieldDominance) {
  spec.fieldMode = fieldMode;
  spec.fieldDominance = fieldDominance;
}

int32_t Image::GetFormat(const GUID* iid, IImageFormat** format) {
  if (format == nullptr) return kInvalidArgument;
  *format = nullptr;
  auto created = New<ImageFormat>(spec);
  return created->QueryInterface(iid, reinterpret_cast<void**>(format));
}

int32_t Image::CopyTo(IImageBuffer* target, int32_t) {
  auto* other = dynamic_cast<Image*>(target);
  if (other == nullptr || other->spec.bitDepth != spec.bitDepth) return kUnsupported;
  if (other == this) return kResultOk;
  const uint32_t rows = std::min(spec.height, other->spec.height);
  const size_t bytes = std::min(RowBytes(), other->RowBytes());
  for (uint32_t y = 0; y < rows; ++y) std::memcpy(other->Row(y), Row(y), bytes);
  return kResultOk;
}

int32_t Image::Resample(double sx, double sy, int32_t, int32_t) {
  if (!ValidFactor(sx) || !ValidFactor(sy)) return kInvalidArgument;
  if (spec.bitDepth % 8 != 0 || spec.width == 0 || spec.height == 0) return kUnsupported;
  ImageFormatSpec scaled = spec;
  scaled.width = ScaledSize(spec.width, sx);
  scaled.height = ScaledSize(spec.height, sy);
  if (scaled.width == 0 || scaled.height == 0) return kOutOfMemory;
  if (scaled.width == spec.width && scaled.height == spec.height) return kResultOk;

  const uint32_t channels = spec.BytesPerPixel();
  const Taps across = MakeTaps(spec.width, scaled.width);
  const Taps down = MakeTaps(spec.height, scaled.height);
  // Horizontal pass into a wide-precision buffer, then the vertical pass into the new storage.
  const size_t wideRow = size_t(scaled.width) * channels;
  std::vector<double> wide(wideRow * spec.height);
  for (uint32_t y = 0; y < spec.height; ++y) {
    const uint8_t* in = Row(y);
    double* out = wide.data() + y * wideRow;
    for (uint32_t x = 0; x < scaled.width; ++x) {
      const double* weight = across.weights.data() + across.offset[x];
      for (uint32_t c = 0; c < channels; ++c) {
        double sum = 0.0;
        for (uint32_t t = 0; t < across.count[x]; ++t)
          sum += weight[t] * in[size_t(across.first[x] + t) * channels + c];
        out[size_t(x) * channels + c] = sum;
      }
    }
  }
  auto result = Create(scaled);
  if (!result) return kOutOfMemory;
  for (uint32_t y = 0; y < scaled.height; ++y) {
    uint8_t* out = result->Row(y);
    const double* weight = down.weights.data() + down.offset[y];
    for (size_t i = 0; i < wideRow; ++i) {
      double sum = 0.0;
      for (uint32_t t = 0; t < down.count[y]; ++t)
        sum += weight[t] * wide[size_t(down.first[y] + t) * wideRow + i];
      out[i] = ToByte(sum);
    }
  }
  spec = scaled;
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
  if (holder->Get() != nullptr && holder->Get()->Spec() == ours->Spec()) return kResultOk;
  auto image = Image::Create(ours->Spec());
  if (!image) return kOutOfMemory;
  holder->Set(std::move(image));
  return kResultOk;
}

int32_t ImageFactory::CreateImageBufferInstance(const GUID* iid, IImageBuffer** image,
                                                int32_t v1, int32_t v2, IImageFormat* format,
                                                int32_t v3, int32_t v4) {
  if (image == nullptr) return kInvalidArgument;
  *image = nullptr;
  auto* ours = dynamic_cast<ImageFormat*>(format);
  if (iid == nullptr || !(*iid == IImageBuffer::kIid) || ours == nullptr)
    return kInvalidArgument;
  ComRef<Image> created = frameProvider ? frameProvider(FrameValues{v1, v2, v3, v4}, ours->Spec())
                                        : Image::Create(ours->Spec());
  if (!created) return kNotFound;
  return created->QueryInterface(iid, reinterpret_cast<void**>(image));
}

}  // namespace lumov::host
