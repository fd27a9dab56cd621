// Picture-row addressing: RowPointer, PixelPointer and ImageLayout for both storage orders,
// positive and negative strides and several pixel sizes, on an image double whose layout the
// test sets, and on the host's images.
#include <vector>

#include "image_access.h"
#include "support.h"

namespace lumov::test {
namespace {

// An image that answers the six layout operations from its fields, over memory of its own
// large enough for every stored row.
class LayoutImage : public host::HostObject<host::ImageBufferSlots> {
 public:
  LayoutImage(uint32_t height, int32_t stride, uint32_t bitDepth, bool bottomUp)
      : memory(size_t(height) * uint32_t(stride < 0 ? -stride : stride) + 1),
        height(height),
        stride(stride),
        bitDepth(bitDepth),
        bottomUp(bottomUp) {}

  // Stored row 0: the start of the memory, or its last row when the rows run backwards.
  uint8_t* Base() {
    if (stride >= 0 || height == 0) return memory.data();
    return memory.data() + size_t(height - 1) * size_t(-stride);
  }
  void SetHeight(uint32_t newHeight) {
    height = newHeight;
    memory.resize(size_t(height) * uint32_t(stride < 0 ? -stride : stride) + 1);
  }
  void SetBottomUp(bool newBottomUp) { bottomUp = newBottomUp; }

  uint32_t LUMOV_CALL GetWidth() override { return 100; }
  uint32_t LUMOV_CALL GetHeight() override { return height; }
  int32_t LUMOV_CALL GetRowStride() override { return stride; }
  uint8_t* LUMOV_CALL GetPixels() override { return Base(); }
  uint32_t LUMOV_CALL GetBitDepth() override { return bitDepth; }
  int32_t LUMOV_CALL GetColorSpace() override { return 0; }
  int32_t LUMOV_CALL IsBottomUp() override { return bottomUp ? 1 : 0; }
  int32_t LUMOV_CALL GetFieldMode() override { return 0; }
  int32_t LUMOV_CALL GetFieldDominance() override { return 0; }
  int32_t LUMOV_CALL GetFormat(const GUID*, IImageFormat** format) override {
    *format = nullptr;
    return host::kUnsupported;
  }
  int32_t LUMOV_CALL CopyTo(IImageBuffer*, int32_t) override { return host::kUnsupported; }
  int32_t LUMOV_CALL Resample(double, double, int32_t, int32_t) override {
    return host::kUnsupported;
  }
  int32_t LUMOV_CALL Clear() override { return host::kUnsupported; }

 private:
  std::vector<uint8_t> memory;
  uint32_t height;
  int32_t stride;
  uint32_t bitDepth;
  bool bottomUp;
};

struct AddressCase {
  const char* name;
  uint32_t height;
  int32_t stride;
  uint32_t bitDepth;
  bool bottomUp;
  int32_t x;
  int32_t y;
  ptrdiff_t rowOffset;    // of picture row y from stored row 0
  ptrdiff_t pixelOffset;  // of pixel x from the row's start
};

const AddressCase kAddressCases[] = {
    {"top-down, stride 2048, row 5", 480, 2048, 32, false, 0, 5, 10240, 0},
    {"top-down, row 0", 480, 2048, 32, false, 3, 0, 0, 12},
    {"bottom-up, height 480: row 0 is the last stored row", 480, 2048, 32, true, 0, 0, 479 * 2048,
     0},
    {"bottom-up, height 480: row 479 is stored row 0", 480, 2048, 32, true, 0, 479, 0, 0},
    {"bottom-up, row 5", 480, 2048, 32, true, 0, 5, 474 * 2048, 0},
    {"top-down, negative stride: row 5 lies before stored row 0", 480, -2048, 32, false, 0, 5,
     -10240, 0},
    {"bottom-up, negative stride: row 0 lies before stored row 0", 480, -2048, 32, true, 0, 0,
     -479 * 2048, 0},
    {"bottom-up, negative stride, row 479", 480, -2048, 32, true, 0, 479, 0, 0},
    {"24 bits: pixel 10 is 30 bytes in", 480, 2048, 24, false, 10, 7, 7 * 2048, 30},
    {"32 bits: pixel 10 is 40 bytes in", 480, 2048, 32, true, 10, 7, 472 * 2048, 40},
    {"12 bits: one byte per pixel", 480, 2048, 12, false, 10, 2, 2 * 2048, 10},
    {"8 bits", 16, 112, 8, true, 99, 15, 0, 99},
    {"64 bits, padded stride", 16, 808, 64, false, 99, 15, 15 * 808, 792},
    {"4 bits: no bytes per pixel", 16, 64, 4, false, 50, 1, 64, 0},
};

class AddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressTest, RowAndPixelAddresses) {
  const AddressCase& c = GetParam();
  auto image = host::New<LayoutImage>(c.height, c.stride, c.bitDepth, c.bottomUp);
  uint8_t* base = image->Base();
  EXPECT_EQ(RowPointer(image.get(), c.y) - base, c.rowOffset);
  EXPECT_EQ(PixelPointer(image.get(), c.x, c.y) - base, c.rowOffset + c.pixelOffset);
  EXPECT_EQ(image->GetRefCount(), 1);
}

// The layout taken once gives, for every row and for pixels across it, the addresses that the
// per-call functions give.
TEST_P(AddressTest, LayoutGivesTheSameAddresses) {
  const AddressCase& c = GetParam();
  auto image = host::New<LayoutImage>(c.height, c.stride, c.bitDepth, c.bottomUp);
  const ImageLayout layout = ImageLayout::Of(image.get());
  EXPECT_EQ(layout.width, 100u);
  EXPECT_EQ(layout.height, c.height);
  EXPECT_EQ(layout.bytesPerPixel, c.bitDepth / 8);
  for (int32_t y = 0; y < int32_t(c.height); ++y) {
    ASSERT_EQ(layout.Row(uint32_t(y)), RowPointer(image.get(), y)) << "row " << y;
    for (int32_t x : {0, 1, c.x, 99})
      ASSERT_EQ(layout.Pixel(uint32_t(x), uint32_t(y)), PixelPointer(image.get(), x, y))
          << "pixel " << x << ", row " << y;
  }
  EXPECT_EQ(image->GetRefCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Layouts, AddressTest, ::testing::ValuesIn(kAddressCases),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// Nothing is kept between calls: a changed height or storage order shows at once.
TEST(RowPointerTest, FollowsTheImagesCurrentLayout) {
  auto image = host::New<LayoutImage>(480, 2048, 32, true);
  EXPECT_EQ(RowPointer(image.get(), 0) - image->Base(), 479 * 2048);
  image->SetHeight(240);
  EXPECT_EQ(RowPointer(image.get(), 0) - image->Base(), 239 * 2048);
  image->SetBottomUp(false);
  EXPECT_EQ(RowPointer(image.get(), 0), image->Base());
  EXPECT_EQ(image->GetRefCount(), 1);
}

// The host's images, in every storage it offers, agree with the framework about where each
// picture row lies, before and after a resample changes their size.
TEST(RowPointerTest, AgreesWithTheHostsImages) {
  struct Storage {
    uint32_t bitDepth;
    bool bottomUp;
    uint32_t rowPadding;
    bool negativeStride;
  };
  const Storage storages[] = {{32, false, 0, false}, {32, true, 0, false}, {24, true, 3, false},
                              {24, false, 1, true},  {32, true, 8, true},  {8, false, 0, false}};
  for (const Storage& storage : storages) {
    SCOPED_TRACE(testing::Message()
                 << storage.bitDepth << " bits, bottom-up " << storage.bottomUp << ", padding "
                 << storage.rowPadding << ", negative stride " << storage.negativeStride);
    host::ImageShape shape;
    shape.width = 7;
    shape.height = 5;
    shape.bitDepth = storage.bitDepth;
    shape.bottomUp = storage.bottomUp;
    shape.rowPadding = storage.rowPadding;
    shape.negativeStride = storage.negativeStride;
    auto image = MakeImage(shape);
    for (double factor : {1.0, 2.0}) {
      if (factor != 1.0) {
        ASSERT_EQ(image->Resample(factor, factor, 0, 0), 0);
      }
      const ImageLayout layout = ImageLayout::Of(image.get());
      for (uint32_t y = 0; y < image->Height(); ++y) {
        EXPECT_EQ(RowPointer(image.get(), int32_t(y)), image->Row(y));
        EXPECT_EQ(layout.Row(y), image->Row(y));
        EXPECT_EQ(PixelPointer(image.get(), 3, int32_t(y)),
                  image->Row(y) + 3 * (storage.bitDepth / 8));
      }
    }
    EXPECT_EQ(image->GetRefCount(), 1);
  }
}

}  // namespace
}  // namespace lumov::test
