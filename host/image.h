// The host's images: buffers of any size and bit depth, stored top-down or bottom-up with padded
// or negative row strides, their format objects and holders, the image factory and the frame
// position.
#pragma once

#include <functional>
#include <memory>

#include "host_object.h"

namespace lumov::host {

struct ImageShape {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bitDepth = 32;
  bool bottomUp = false;        // stored row 0 is the bottom picture row
  uint32_t rowPadding = 0;      // bytes after the pixels of each stored row
  bool negativeStride = false;  // stored rows run from the end of the memory block backwards
  int32_t colorSpace = 0;
  int32_t fieldMode = 0;       // 1 interlaced
  int32_t fieldDominance = 0;  // 0 upper field first, 1 lower field first

  uint32_t BytesPerPixel() const { return bitDepth / 8; }
  size_t RowBytes() const { return (size_t(width) * bitDepth + 7) / 8; }
  bool operator==(const ImageShape&) const = default;
};

class ImageFormat : public HostObject<IImageFormat> {
 public:
  explicit ImageFormat(const ImageShape& shape) : shape(shape) {}
  const ImageShape& Shape() const { return shape; }

 private:
  ImageShape shape;
};

class Image : public HostObject<ImageBufferSlots> {
 public:
  // A new image with all bytes 0; null when the size cannot be stored.
  static ComRef<Image> Create(const ImageShape& shape);

  uint32_t LUMOV_CALL GetWidth() override { return shape.width; }
  uint32_t LUMOV_CALL GetHeight() override { return shape.height; }
  int32_t LUMOV_CALL GetRowStride() override { return stride; }
  uint8_t* LUMOV_CALL GetPixels() override { return storedRow0; }
  uint32_t LUMOV_CALL GetBitDepth() override { return shape.bitDepth; }
  int32_t LUMOV_CALL GetColorSpace() override { return shape.colorSpace; }
  int32_t LUMOV_CALL IsBottomUp() override { return shape.bottomUp ? 1 : 0; }
  int32_t LUMOV_CALL GetFieldMode() override { return shape.fieldMode; }
  int32_t LUMOV_CALL GetFieldDominance() override { return shape.fieldDominance; }
  int32_t LUMOV_CALL GetFormat(const GUID* iid, IImageFormat** format) override;
  // Copies the picture rows that both images have, as far as both are wide; both images need
  // the same bit depth.
  int32_t LUMOV_CALL CopyTo(IImageBuffer* target, int32_t mode) override;
  // New size round(W*sx) x round(H*sy), at least 1 x 1: area-averaging where it shrinks,
  // bilinear where it grows. Factors that are not finite and positive change nothing.
  int32_t LUMOV_CALL Resample(double sx, double sy, int32_t reserved1, int32_t reserved2) override;
  // Sets every byte, padding included, to 0.
  int32_t LUMOV_CALL Clear() override;

  const ImageShape& Shape() const { return shape; }
  uint32_t Width() const { return shape.width; }
  uint32_t Height() const { return shape.height; }
  size_t RowBytes() const { return shape.RowBytes(); }
  // Picture row y, row 0 at the top whatever the storage order.
  uint8_t* Row(uint32_t y) const;
  void SetFieldMode(int32_t fieldMode, int32_t fieldDominance);
  void SetColorSpace(int32_t colorSpace) { shape.colorSpace = colorSpace; }

 private:
  Image() = default;
  bool Allocate(const ImageShape& newSpec);

  ImageShape shape;
  std::unique_ptr<uint8_t[]> storage;
  size_t storageSize = 0;
  int32_t stride = 0;
  uint8_t* storedRow0 = nullptr;
};

// An image that hands every operation on to another host image: the base of images that change
// one operation, such as a Resample that is timed or answers with another size.
class ForwardingImage : public HostObject<ImageBufferSlots> {
 public:
  explicit ForwardingImage(ComRef<Image> inner) : inner(std::move(inner)) {}

  uint32_t LUMOV_CALL GetWidth() override { return inner->GetWidth(); }
  uint32_t LUMOV_CALL GetHeight() override { return inner->GetHeight(); }
  int32_t LUMOV_CALL GetRowStride() override { return inner->GetRowStride(); }
  uint8_t* LUMOV_CALL GetPixels() override { return inner->GetPixels(); }
  uint32_t LUMOV_CALL GetBitDepth() override { return inner->GetBitDepth(); }
  int32_t LUMOV_CALL GetColorSpace() override { return inner->GetColorSpace(); }
  int32_t LUMOV_CALL IsBottomUp() override { return inner->IsBottomUp(); }
  int32_t LUMOV_CALL GetFieldMode() override { return inner->GetFieldMode(); }
  int32_t LUMOV_CALL GetFieldDominance() override { return inner->GetFieldDominance(); }
  int32_t LUMOV_CALL GetFormat(const GUID* iid, IImageFormat** format) override {
    return inner->GetFormat(iid, format);
  }
  int32_t LUMOV_CALL CopyTo(IImageBuffer* target, int32_t mode) override {
    return inner->CopyTo(target, mode);
  }
  int32_t LUMOV_CALL Resample(double sx, double sy, int32_t reserved1, int32_t reserved2) override {
    return inner->Resample(sx, sy, reserved1, reserved2);
  }
  int32_t LUMOV_CALL Clear() override { return inner->Clear(); }

  Image& Inner() const { return *inner; }

 private:
  ComRef<Image> inner;
};

class ImageHolder : public HostObject<IImageHolder> {
 public:
  ImageHolder() = default;
  explicit ImageHolder(ComRef<Image> image) : image(std::move(image)) {}

  IImageBuffer* LUMOV_CALL GetImage() override { return image.get(); }

  Image* Get() const { return image.get(); }
  void Set(ComRef<Image> newImage) { image = std::move(newImage); }

 private:
  ComRef<Image> image;
};

// The four values a frame source hands back from ReadFrame and the plug-in passes on to
// CreateImageBufferInstance.
struct FrameValues {
  int32_t v1 = 0;
  int32_t v2 = 0;
  int32_t v3 = 0;
  int32_t v4 = 0;
};

class ImageFactory : public HostObject<ImageFactorySlots> {
 public:
  // Makes the image of a frame that a frame source read; null when there is none.
  using FrameProvider = std::function<ComRef<Image>(const FrameValues&, const ImageShape&)>;

  // The output holder gets an image of the given format; one it already holds in that format is
  // kept.
  int32_t LUMOV_CALL PrepareOutput(const GUID* iid, IImageHolder* output, IImageFormat* format,
                                   int32_t a, int32_t b) override;
  // With a frame provider, the image of the frame the values name; without one, a new image of
  // the format.
  int32_t LUMOV_CALL CreateImageBufferInstance(const GUID* iid, IImageBuffer** image, int32_t v1,
                                               int32_t v2, IImageFormat* format, int32_t v3,
                                               int32_t v4) override;

  void SetFrameProvider(FrameProvider provider) { frameProvider = std::move(provider); }

 private:
  FrameProvider frameProvider;
};

class FramePosition : public HostObject<FramePositionSlots> {
 public:
  explicit FramePosition(int32_t current = 0) : current(current) {}
  int32_t LUMOV_CALL GetCurrentFrame() override { return current; }
  void Set(int32_t frame) { current = frame; }

 private:
  int32_t current;
};

}  // namespace lumov::host
