// The round light spot of the Hotspot and HotspotMove effects: a shading table with one entry
// per pixel, rebuilt only when the spot or the image size changes, and applied in place to every
// frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host_interfaces.h"

namespace lumov {

// Result codes of the renderer.
inline constexpr int32_t kNoFittingImage = 4096;  // no image, or not the size of the table
inline constexpr int32_t kTableNotAllocated = 4608;

struct ShadeEntry {
  int16_t brightness;  // change in thousandths; 0 leaves the pixel's brightness alone
  int32_t grey;        // 1: make the pixel grey before the brightness change
};

// How a table entry changes a pixel: Plain for Hotspot, Lifted (which also lights black) for
// HotspotMove.
enum class ShadingVariant { Plain, Lifted };

// Where the table's memory comes from, so that a failing allocation can be staged. One block
// holds the table's entries, first, and after them the renderer's bookkeeping of each row.
struct TableAllocator {
  void* (*allocate)(size_t bytes);  // null when the memory cannot be had
  void (*release)(void* block);
};

void* AllocateTableOnHeap(size_t bytes);
void ReleaseTableOnHeap(void* block);
inline constexpr TableAllocator kHeapTableAllocator{AllocateTableOnHeap, ReleaseTableOnHeap};

// The columns [first, end) of a table row that need a look at their entries; every entry
// outside them is the outside entry (brightness 0, grey as the outside switch).
struct RowSpan {
  uint32_t first;
  uint32_t end;
};

// A new channel value g as a byte: 255 from 256.0 up, 0 at 0.0 and below, else truncated.
// Shading results stay far within 32 bits (|g| < 11000 for any 16-bit brightness), so
// truncating first and limiting the integer gives just that, without a branch to mispredict on
// varied pictures.
inline uint8_t ClampToByte(double g) {
  const auto truncated = int32_t(g);
  return uint8_t(truncated < 0 ? 0 : truncated > 255 ? 255 : truncated);
}

// For each brightness met, the new value of every byte, so that shading a pixel is a look-up.
// A brightness's bytes depend on nothing but it and the variant, so they are made once and kept.
// A host's extreme values can bring any 16-bit brightness; the number kept is limited so that
// they cannot take more than kMaxTables x 256 bytes, and a brightness beyond them is left to the
// arithmetic.
class BrightnessLookup {
 public:
  static constexpr size_t kMaxTables = 8192;  // brightness from the effects' ranges: 5001 values

  explicit BrightnessLookup(ShadingVariant variant) : variant(variant) {}
  // Makes the bytes of `brightness` unless they are there; false when they cannot be had.
  bool Prepare(int16_t brightness);
  // The new value of each byte under a prepared brightness other than 0.
  const uint8_t* Bytes(int16_t brightness) const {
    return tables.get() + size_t(slots[uint16_t(brightness)] - 1) * 256;
  }

 private:
  ShadingVariant variant;
  std::unique_ptr<uint16_t[]> slots;  // by brightness: 1 + its table's number; 0 for none yet
  std::unique_ptr<uint8_t[]> tables;  // 256 bytes each, in the order they were made
  size_t count = 0;
  size_t capacity = 0;
};

class HotspotRenderer {
 public:
  explicit HotspotRenderer(ShadingVariant variant, TableAllocator allocator = kHeapTableAllocator);
  virtual ~HotspotRenderer();
  HotspotRenderer(const HotspotRenderer&) = delete;
  HotspotRenderer& operator=(const HotspotRenderer&) = delete;

  // Rebuilds the table for the image's size when a value or the size changed. The position runs
  // from -100 to +100 across the image, the radius is in percent of half the image width and
  // `spare` only takes part in the change test.
  int32_t BuildTable(IImageBuffer* image, double x, double y, double radius, double intensity,
                     int insideGrey, int outsideGrey, int transition, double spare);
  // Shades the image in place; an image of another size, or one the variant cannot shade
  // without writing outside its pixels, is left untouched.
  int32_t ApplyTable(IImageBuffer* image) const;
  // A frame of either effect: the source copied into the output, which is then shaded. A host may
  // call this after a frame start that found no image; without both images nothing happens.
  void RenderFrame(IImageBuffer* source, IImageBuffer* output) const;

 private:
  // The values the table was built from; compared exactly, in this order.
  struct Spot {
    double x = 0.0;
    double y = 0.0;
    double radius = 0.0;
    double intensity = 0.0;
    int insideGrey = 0;
    int outsideGrey = 0;
    int transition = 0;
    double spare = 0.0;
    bool operator==(const Spot&) const = default;
  };

  void ReleaseTable();
  // With `wholeRows` every entry is written; otherwise those beyond the old and the new spans
  // are taken to hold the outside entry.
  void FillTable(bool wholeRows);

  ShadingVariant variant;
  TableAllocator allocator;
  BrightnessLookup lookup;
  bool lookupComplete = false;  // every brightness in the table has its bytes in `lookup`
  Spot spot;
  uint32_t width = 0;
  uint32_t height = 0;
  ShadeEntry* table = nullptr;  // width x height entries, row after row; owned
  RowSpan* spans = nullptr;     // one per row, after the entries in the table's block
};

}  // namespace lumov
