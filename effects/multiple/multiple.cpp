// Multiple: the picture as an N x N grid of reduced copies, each with an optional coloured frame.
#include <algorithm>
#include <cstring>

#include "effect_object.h"
#include "image_access.h"

namespace lumov {
namespace {

constexpr ParameterDeclaration kParameters[] = {
    {u"Number of Blocks", ParameterKind::Integer, 2, 10, 2, 1},
    {u"Frame Size", ParameterKind::Integer, 0, 100, 0, 1},
    {u"Frame Color Red", ParameterKind::Integer, 0, 255, 0, 1},
    {u"Frame Color Green", ParameterKind::Integer, 0, 255, 0, 1},
    {u"Frame Color Blue", ParameterKind::Integer, 0, 255, 0, 1},
};

// Copies a width x height block of pixels from one image into another, row by row. The block is
// cut at the edges of both images: the host's rounding may leave the reduced picture smaller
// than a block.
void CopyBlock(const ImageLayout& source, uint32_t sourceX, uint32_t firstSourceRow, uint32_t width,
               uint32_t height, const ImageLayout& target, uint32_t targetX, uint32_t targetRow) {
  if (sourceX >= source.width || firstSourceRow >= source.height || targetX >= target.width) return;
  width = std::min({width, source.width - sourceX, target.width - targetX});
  height = std::min(height, source.height - firstSourceRow);
  const size_t bytes = size_t(width) * source.bytesPerPixel;
  for (uint32_t row = 0; row < height; ++row, ++targetRow) {
    if (targetRow >= target.height) return;
    std::memcpy(target.Pixel(targetX, targetRow), source.Pixel(sourceX, firstSourceRow + row),
                bytes);
  }
}

// Writes the first kBytes bytes of the frame pixel into `count` pixels from `pixel` on.
template <size_t kBytes>
void PaintPixels(uint8_t* pixel, uint32_t count, uint32_t bytesPerPixel, const uint8_t* color) {
  for (uint32_t i = 0; i < count; ++i) {
    std::memcpy(pixel, color, kBytes);
    pixel += bytesPerPixel;
  }
}

// A frame pixel is blue, green, red and 0; pixels narrower than four bytes get as many of these
// as they hold, wider ones keep their other bytes.
void PaintRun(uint8_t* pixel, uint32_t count, uint32_t bytesPerPixel, const uint8_t* color) {
  switch (std::min<uint32_t>(bytesPerPixel, 4)) {
    case 4:
      PaintPixels<4>(pixel, count, bytesPerPixel, color);
      break;
    case 3:
      PaintPixels<3>(pixel, count, bytesPerPixel, color);
      break;
    case 2:
      PaintPixels<2>(pixel, count, bytesPerPixel, color);
      break;
    case 1:
      PaintPixels<1>(pixel, count, bytesPerPixel, color);
      break;
    default:
      break;
  }
}

// The frame band is `band` pixels wide on all four sides of the picture.
void PaintFrame(const ImageLayout& picture, uint32_t band, const uint8_t* color) {
  const uint32_t width = picture.width;
  const uint32_t height = picture.height;
  const uint32_t side = std::min(band, width);
  for (uint32_t y = 0; y < height; ++y) {
    if (y < band || height - y <= band) {
      PaintRun(picture.Row(y), width, picture.bytesPerPixel, color);
    } else {
      PaintRun(picture.Row(y), side, picture.bytesPerPixel, color);
      PaintRun(picture.Pixel(width - side, y), side, picture.bytesPerPixel, color);
    }
  }
}

class Multiple final : public EffectObject<> {
 public:
  Multiple() : EffectObject(kParameters) {}

  int32_t LUMOV_CALL Process(IImageHolder* output, InputList* inputs, IParameterSet* context,
                             IFramePosition*, IImageFactory*) override {
    int32_t blocks = 0;
    int32_t frameSize = 0;
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
    ReadInteger(context, 0, IIntegerValue::kIid, &blocks);
    ReadInteger(context, 1, IIntegerValue::kIid, &frameSize);
    ReadInteger(context, 2, IIntegerValue::kIid, &red);
    ReadInteger(context, 3, IIntegerValue::kIid, &green);
    ReadInteger(context, 4, IIntegerValue::kIid, &blue);
    IImageBuffer* source = InputImage(inputs);
    IImageBuffer* target = OutputImage(output);
    // A host may call Process after a ProcessBegin that found no image.
    if (source == nullptr || target == nullptr) return kResultOk;
    source->CopyTo(target, 2);

    // Only a grid whose blocks hold at least one pixel is built: 0 (a failed read) would give
    // an infinite factor, a negative count a negative one, and a huge count a grid of empty
    // blocks too many to walk. Blocks are copied as bytes, so both images need the same pixel
    // size. Otherwise the output keeps the plain copy.
    if (blocks < 1 || uint32_t(blocks) > std::min(target->GetWidth(), target->GetHeight()) ||
        source->GetBitDepth() / 8 != target->GetBitDepth() / 8)
      return kResultOk;
    const uint32_t count = uint32_t(blocks);

    const double factor = 1.0 / blocks;
    source->Resample(factor, factor, 0, 0);
    const ImageLayout reduced = ImageLayout::Of(source);
    if (frameSize > 0) {
      uint32_t band = reduced.width * uint32_t(frameSize) / 800;
      if (band == 0) band = 1;
      const uint8_t color[4] = {uint8_t(blue), uint8_t(green), uint8_t(red), 0};
      PaintFrame(reduced, band, color);
    }

    target->Clear();
    const ImageLayout grid = ImageLayout::Of(target);
    const uint32_t blockWidth = grid.width / count;
    const uint32_t blockHeight = grid.height / count;
    for (uint32_t m = 0; m < count; ++m)
      for (uint32_t k = 0; k < count; ++k)
        CopyBlock(reduced, 0, 0, blockWidth, blockHeight, grid, k * blockWidth, m * blockHeight);
    return kResultOk;
  }
};

}  // namespace

IRenderEffect* CreateModuleEffect() {
  return new (std::nothrow) Multiple;
}

}  // namespace lumov
