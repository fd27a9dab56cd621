// Addressing the host's images by picture row (row 0 at the top, whatever the storage order).
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_interfaces.h"

namespace lumov {

// Each call asks the image afresh, so the answer follows its current size and layout.
uint8_t* RowPointer(IImageBuffer* image, int32_t y);
uint8_t* PixelPointer(IImageBuffer* image, int32_t x, int32_t y);

// An image's layout, asked once for a whole pass: the same addresses as RowPointer and
// PixelPointer without a host call per row or pixel. Valid until the image changes size.
struct ImageLayout {
  uint8_t* topRow = nullptr;
  ptrdiff_t rowStep = 0;  // from one picture row to the next, negative for upward storage
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bytesPerPixel = 0;

  static ImageLayout Of(IImageBuffer* image);

  uint8_t* Row(uint32_t y) const { return topRow + ptrdiff_t(y) * rowStep; }
  uint8_t* Pixel(uint32_t x, uint32_t y) const { return Row(y) + ptrdiff_t(x) * bytesPerPixel; }
  size_t RowBytes() const { return size_t(width) * bytesPerPixel; }
};

}  // namespace lumov
