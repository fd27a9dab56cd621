#include "hotspot_renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

#include "image_access.h"

namespace lumov {
namespace {

// Truncation toward zero to 32 bits as the x86 conversion instruction does it: NaN and values
// that 32 bits cannot hold give 0x80000000, so such a brightness keeps only its low bits, 0.
int32_t TruncateToInt32(double value) {
  if (value > -2147483649.0 && value < 2147483648.0) return int32_t(value);
  return std::numeric_limits<int32_t>::min();
}

// The low 16 bits of the truncated thousandths.
int16_t Brightness(double strength) {
  return int16_t(TruncateToInt32(strength * 1000.0));
}

// The bytes of the entries and of the whole block (entries, then row spans) for a table of
// width x height; false when they exceed what memory can count.
bool CountTableBytes(uint32_t width, uint32_t height, size_t* tableBytes, size_t* blockBytes) {
  constexpr size_t kLimit = std::numeric_limits<size_t>::max();
  if (height > kLimit / sizeof(RowSpan)) return false;
  const size_t spanBytes = sizeof(RowSpan) * height;
  if (width != 0 && height > (kLimit - spanBytes) / sizeof(ShadeEntry) / width) return false;
  *tableBytes = size_t(width) * height * sizeof(ShadeEntry);
  *blockBytes = *tableBytes + spanBytes;
  return true;
}

// The first column of [low, high) for which `test` fails, `test` holding on a prefix of them.
template <class Test>
uint32_t FirstFailing(uint32_t low, uint32_t high, Test test) {
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    if (test(middle))
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

// Pixels of 3 and 4 bytes get loops of their own, unrolled; any other size goes by the number.
template <uint32_t kBytes>
using FixedBytes = std::integral_constant<uint32_t, kBytes>;

struct Plain {
  // The mean of the first four bytes at most, divided by all of them, into every byte.
  template <class Bytes>
  static void Grey(uint8_t* pixel, Bytes bytes) {
    const uint32_t count = bytes;
    const uint32_t summed = std::min<uint32_t>(count, 4);
    uint32_t sum = 0;
    for (uint32_t k = 0; k < summed; ++k) sum += pixel[k];
    const auto mean = uint8_t(sum / count);
    for (uint32_t k = 0; k < count; ++k) pixel[k] = mean;
  }

  template <class Bytes>
  static uint32_t Scaled(Bytes bytes) {
    return std::min<uint32_t>(bytes, 4);
  }

  static uint8_t Brightened(uint8_t byte, int16_t brightness) {
    const double f = brightness * 0.001;
    const double b = byte;
    return ClampToByte(b + b * f);
  }
};

// Works on the three colour bytes; a fourth byte takes the grey mean but is never scaled.
struct Lifted {
  template <class Bytes>
  static void Grey(uint8_t* pixel, Bytes bytes) {
    const uint32_t count = bytes;
    const auto mean = uint8_t((uint32_t(pixel[0]) + pixel[1] + pixel[2]) / 3);
    for (uint32_t k = 0; k < count; ++k) pixel[k] = mean;
  }

  template <class Bytes>
  static uint32_t Scaled(Bytes) {
    return 3;
  }

  static uint8_t Brightened(uint8_t byte, int16_t brightness) {
    constexpr double kOneOver1500 = 1.0 / 1500.0;
    const double b = byte;
    if (brightness > 0) {
      const double f = brightness * 0.001;
      return ClampToByte(b + (b + 50.0) * f);
    }
    const double f = brightness * kOneOver1500;
    return ClampToByte(b + b * f);
  }
};

// Without a lookup (its memory could not be had) every byte is worked out anew.
template <class Variant, class Bytes>
void Brighten(uint8_t* pixel, int16_t brightness, Bytes bytes, const BrightnessLookup* lookup) {
  const uint32_t scaled = Variant::Scaled(bytes);
  if (lookup != nullptr) {
    const uint8_t* brightened = lookup->Bytes(brightness);
    for (uint32_t k = 0; k < scaled; ++k) pixel[k] = brightened[pixel[k]];
  } else {
    for (uint32_t k = 0; k < scaled; ++k) pixel[k] = Variant::Brightened(pixel[k], brightness);
  }
}

template <class Variant, class Bytes>
void GreyPixels(uint8_t* pixel, uint32_t count, Bytes bytes) {
  const uint32_t step = bytes;
  for (uint32_t i = 0; i < count; ++i, pixel += step) Variant::Grey(pixel, bytes);
}

template <class Variant, class Bytes>
void ShadePixels(uint8_t* pixel, const ShadeEntry* entry, uint32_t count, Bytes bytes,
                 const BrightnessLookup* lookup) {
  const uint32_t step = bytes;
  for (uint32_t i = 0; i < count; ++i, ++entry, pixel += step) {
    if (entry->grey != 0) Variant::Grey(pixel, bytes);
    if (entry->brightness != 0) Brighten<Variant>(pixel, entry->brightness, bytes, lookup);
  }
}

// Pixels outside a row's span take the outside entry without a look at the table.
template <class Variant, class Bytes>
void ShadeRows(const ImageLayout& layout, const ShadeEntry* table, const RowSpan* spans,
               bool outsideGrey, const BrightnessLookup* lookup, Bytes bytes) {
  const uint32_t step = bytes;
  for (uint32_t row = 0; row < layout.height; ++row) {
    uint8_t* pixels = layout.Row(row);
    const ShadeEntry* entries = table + size_t(row) * layout.width;
    const RowSpan span = spans[row];
    if (outsideGrey) {
      GreyPixels<Variant>(pixels, span.first, bytes);
      GreyPixels<Variant>(pixels + size_t(span.end) * step, layout.width - span.end, bytes);
    }
    ShadePixels<Variant>(pixels + size_t(span.first) * step, entries + span.first,
                         span.end - span.first, bytes, lookup);
  }
}

template <class Variant>
void ShadeImage(const ImageLayout& layout, const ShadeEntry* table, const RowSpan* spans,
                bool outsideGrey, const BrightnessLookup* lookup) {
  if (layout.bytesPerPixel == 4)
    ShadeRows<Variant>(layout, table, spans, outsideGrey, lookup, FixedBytes<4>{});
  else if (layout.bytesPerPixel == 3)
    ShadeRows<Variant>(layout, table, spans, outsideGrey, lookup, FixedBytes<3>{});
  else
    ShadeRows<Variant>(layout, table, spans, outsideGrey, lookup, layout.bytesPerPixel);
}

}  // namespace

void* AllocateTableOnHeap(size_t bytes) {
  return ::operator new(bytes, std::nothrow);
}

void ReleaseTableOnHeap(void* block) {
  ::operator delete(block);
}

bool BrightnessLookup::Prepare(int16_t brightness) {
  // Brightness 0 leaves the pixel alone and is never looked up.
  if (brightness == 0) return true;
  if (slots == nullptr) {
    slots.reset(new (std::nothrow) uint16_t[65536]());
    if (slots == nullptr) return false;
  }
  uint16_t& slot = slots[uint16_t(brightness)];
  if (slot != 0) return true;
  if (count == capacity) {
    if (capacity == kMaxTables) return false;
    const size_t grown = capacity == 0 ? 64 : capacity * 2;
    std::unique_ptr<uint8_t[]> larger(new (std::nothrow) uint8_t[grown * 256]);
    if (larger == nullptr) return false;
    std::copy_n(tables.get(), count * 256, larger.get());
    tables = std::move(larger);
    capacity = grown;
  }
  uint8_t* bytes = tables.get() + count * 256;
  for (uint32_t b = 0; b < 256; ++b)
    bytes[b] = variant == ShadingVariant::Plain ? Plain::Brightened(uint8_t(b), brightness)
                                                : Lifted::Brightened(uint8_t(b), brightness);
  slot = uint16_t(++count);
  return true;
}

HotspotRenderer::HotspotRenderer(ShadingVariant variant, TableAllocator allocator)
    : variant(variant), allocator(allocator), lookup(variant) {}

HotspotRenderer::~HotspotRenderer() {
  ReleaseTable();
}

void HotspotRenderer::ReleaseTable() {
  if (table != nullptr) allocator.release(table);
  table = nullptr;
  spans = nullptr;
}

int32_t HotspotRenderer::BuildTable(IImageBuffer* image, double x, double y, double radius,
                                    double intensity, int insideGrey, int outsideGrey,
                                    int transition, double spare) {
  if (image == nullptr) return kNoFittingImage;
  const Spot wanted{x, y, radius, intensity, insideGrey, outsideGrey, transition, spare};
  const uint32_t imageWidth = image->GetWidth();
  const uint32_t imageHeight = image->GetHeight();
  // A table of the same size keeps its outside entries beyond the spot, unless they change.
  bool wholeRows = (wanted.outsideGrey != 0) != (spot.outsideGrey != 0);
  if (table != nullptr && imageWidth == width && imageHeight == height) {
    if (wanted == spot) return kResultOk;
  } else {
    wholeRows = true;
    ReleaseTable();
    // A size whose block cannot be counted in memory fails like an allocation, never short.
    size_t tableBytes = 0, blockBytes = 0;
    if (!CountTableBytes(imageWidth, imageHeight, &tableBytes, &blockBytes))
      return kTableNotAllocated;
    // An empty image still gets a block, so that a null table means "none".
    void* block = allocator.allocate(std::max<size_t>(blockBytes, 1));
    if (block == nullptr) return kTableNotAllocated;
    table = static_cast<ShadeEntry*>(block);
    spans = reinterpret_cast<RowSpan*>(static_cast<unsigned char*>(block) + tableBytes);
  }
  spot = wanted;
  width = imageWidth;
  height = imageHeight;
  FillTable(wholeRows);
  return kResultOk;
}

void HotspotRenderer::FillTable(bool wholeRows) {
  const double w = width;
  const double h = height;
  const double cx = ((spot.x + 100.0) * w) * 0.005;
  const double cy = ((spot.y + 100.0) * h) * 0.005;
  const double r = ((w * 0.5) * spot.radius) * 0.01;
  const double strength = spot.intensity * 0.025;
  const ShadeEntry outside{0, spot.outsideGrey != 0 ? 1 : 0};
  const ShadeEntry insideFull{Brightness(strength), spot.insideGrey != 0 ? 1 : 0};
  // Entries beyond the spans hold brightness 0, so those written here are all that need bytes.
  bool complete = lookup.Prepare(insideFull.brightness);
  // A squared distance above this bound is so far beyond r² that its rounded square root lies
  // outside the rim as well, so it needs no square root. A radius whose square is not a normal
  // double gets no bound.
  const double outsideBound =
      r >= 1e-150 ? (r * r) * (1.0 + 0x1p-30) : std::numeric_limits<double>::infinity();
  // Columns [0, split) lie left of the centre, where squared distances fall with the column;
  // from split on they rise. The columns within the bound are therefore one run, found by
  // bisection on either side. A NaN anywhere makes every column near, so all are looked at.
  uint32_t split = width;
  if (cx < 0.0)
    split = 0;
  else if (cx < w - 1.0)
    split = uint32_t(cx) + 1;
  for (uint32_t row = 0; row < height; ++row) {
    const double dy = double(row) - cy;
    const double dy2 = dy * dy;
    const auto near = [&](uint32_t column) {
      const double dx = double(column) - cx;
      return !(dx * dx + dy2 > outsideBound);
    };
    const RowSpan span{FirstFailing(0, split, [&](uint32_t column) { return !near(column); }),
                       FirstFailing(split, width, near)};
    // Beyond the span of the previous build the entries hold the outside entry already.
    const RowSpan stale = wholeRows ? RowSpan{0, width} : spans[row];
    spans[row] = span;

    ShadeEntry* entries = table + size_t(row) * width;
    std::fill(entries + stale.first, entries + stale.end, outside);
    for (uint32_t column = span.first; column < span.end; ++column) {
      const double dx = double(column) - cx;
      const double d = std::sqrt(dx * dx + dy2);
      if (!(d <= r)) {
        entries[column] = outside;
      } else if (spot.transition == 0) {
        entries[column] = insideFull;
      } else {
        // With no radius the one pixel inside lies on the rim, where the fade reaches 0; this
        // also keeps 0 / 0 out of the arithmetic.
        const double fade = r != 0.0 ? (r - d) / r : 0.0;
        entries[column] = {Brightness(strength * fade), insideFull.grey};
        complete = lookup.Prepare(entries[column].brightness) && complete;
      }
    }
  }
  lookupComplete = complete;
}

int32_t HotspotRenderer::ApplyTable(IImageBuffer* image) const {
  // After a failed allocation there is no table: the image keeps what it holds.
  if (image == nullptr || table == nullptr) return kNoFittingImage;
  const ImageLayout layout = ImageLayout::Of(image);
  if (layout.height != height || layout.width != width) return kNoFittingImage;
  const BrightnessLookup* byLookup = lookupComplete ? &lookup : nullptr;
  // Plain needs a whole byte per pixel, Lifted three: with fewer, the steps would divide by
  // zero or write into the next pixel, so such images are left as they are.
  if (variant == ShadingVariant::Plain) {
    if (layout.bytesPerPixel < 1) return kNoFittingImage;
    ShadeImage<Plain>(layout, table, spans, spot.outsideGrey != 0, byLookup);
  } else {
    if (layout.bytesPerPixel < 3) return kNoFittingImage;
    ShadeImage<Lifted>(layout, table, spans, spot.outsideGrey != 0, byLookup);
  }
  return kResultOk;
}

void HotspotRenderer::RenderFrame(IImageBuffer* source, IImageBuffer* output) const {
  if (source == nullptr || output == nullptr) return;
  source->CopyTo(output, 2);
  ApplyTable(output);
}

}  // namespace lumov
