#include "image_access.h"

namespace lumov {

uint8_t* RowPointer(IImageBuffer* image, int32_t y) {
  const ptrdiff_t stride = image->GetRowStride();
  if (image->IsBottomUp() == 0) return image->GetPixels() + ptrdiff_t(y) * stride;
  return image->GetPixels() + (ptrdiff_t(image->GetHeight()) - y - 1) * stride;
}

uint8_t* PixelPointer(IImageBuffer* image, int32_t x, int32_t y) {
  const ptrdiff_t bytesPerPixel = image->GetBitDepth() / 8;
  return RowPointer(image, y) + ptrdiff_t(x) * bytesPerPixel;
}

ImageLayout ImageLayout::Of(IImageBuffer* image) {
  ImageLayout layout;
  layout.width = image->GetWidth();
  layout.height = image->GetHeight();
  layout.bytesPerPixel = image->GetBitDepth() / 8;
  const ptrdiff_t stride = image->GetRowStride();
  uint8_t* pixels = image->GetPixels();
  if (image->IsBottomUp() == 0) {
    layout.topRow = pixels;
    layout.rowStep = stride;
  } else {
    layout.topRow = layout.height > 0 ? pixels + ptrdiff_t(layout.height - 1) * stride : pixels;
    layout.rowStep = -stride;
  }
  return layout;
}

}  // namespace lumov
