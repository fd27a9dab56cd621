// The host's image operations that the effects rely on: Resample (sizes, averaging, bilinear
// enlarging, refused factors), CopyTo and Clear across storage orders and strides, and the
// factory's PrepareOutput with the input's format.
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "support.h"

namespace lumov::test {
namespace {

using host::ImageShape;

struct Storage {
  const char* name;
  bool bottomUp;
  uint32_t rowPadding;
  bool negativeStride;
};

const Storage kStorages[] = {
    {"top-down", false, 0, false},
    {"bottom-up", true, 0, false},
    {"top-down, padded, negative stride", false, 5, true},
    {"bottom-up, padded", true, 3, false},
    {"bottom-up, padded, negative stride", true, 2, true},
};

ImageShape Shape(uint32_t width, uint32_t height, uint32_t bitDepth,
                 const Storage& storage = kStorages[0]) {
  ImageShape shape;
  shape.width = width;
  shape.height = height;
  shape.bitDepth = bitDepth;
  shape.bottomUp = storage.bottomUp;
  shape.rowPadding = storage.rowPadding;
  shape.negativeStride = storage.negativeStride;
  return shape;
}

TEST(ResampleTest, NewSizeIsTheRoundedProductAndNeverBelowOnePixel) {
  struct Case {
    uint32_t width;
    uint32_t height;
    double sx;
    double sy;
    uint32_t newWidth;
    uint32_t newHeight;
  };
  const Case cases[] = {
      {720, 576, 1.0 / 7, 1.0 / 7, 103, 82},
      {1920, 1080, 0.5, 0.5, 960, 540},
      {5, 5, 0.5, 0.5, 3, 3},
      {3, 3, 0.1, 0.1, 1, 1},
      {4, 4, 1e-12, 3.0, 1, 12},
      {10, 10, 2.5, 2.5, 25, 25},
      {6, 4, 2.0, 0.5, 12, 2},
      {7, 5, 1.0, 1.0, 7, 5},
      {7, 5, 1.04, 0.96, 7, 5},
  };
  for (const Storage& storage : {kStorages[0], kStorages[4]}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << storage.name << ", " << c.width << "x" << c.height
                                      << " by " << c.sx << ", " << c.sy);
      auto image = MakeImage(Shape(c.width, c.height, 24, storage));
      EXPECT_EQ(image->Resample(c.sx, c.sy, 0, 0), 0);
      EXPECT_EQ(image->GetWidth(), c.newWidth);
      EXPECT_EQ(image->GetHeight(), c.newHeight);
      // Only the size changes.
      ImageShape expected = Shape(c.newWidth, c.newHeight, 24, storage);
      EXPECT_EQ(image->Shape(), expected);
      EXPECT_EQ(image->GetRowStride() < 0, storage.negativeStride);
      EXPECT_EQ(image->GetRefCount(), 1);
    }
  }
}

TEST(ResampleTest, RefusedFactorsLeaveTheImageAsItIs) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  const double refused[] = {0.0, -0.0, -0.5, -2.0, nan, infinity, -infinity};
  auto image = MakeImage(Shape(9, 6, 32, kStorages[3]));
  Fill(*image, [](uint32_t x, uint32_t y, uint32_t b) { return x * 29 + y * 7 + b; });
  const std::vector<uint8_t> before = PictureBytes(*image);
  const int32_t stride = image->GetRowStride();
  uint8_t* pixels = image->GetPixels();
  std::vector<std::pair<double, double>> factors;
  for (double factor : refused) {
    factors.emplace_back(factor, 0.5);
    factors.emplace_back(2.0, factor);
  }
  // Rows too long for a 32-bit stride: refused before anything is allocated.
  factors.emplace_back(1e8, 1.0);
  for (const auto& [sx, sy] : factors) {
    SCOPED_TRACE(testing::Message() << "factors " << sx << ", " << sy);
    EXPECT_NE(image->Resample(sx, sy, 0, 0), 0);
    EXPECT_EQ(image->GetWidth(), 9u);
    EXPECT_EQ(image->GetHeight(), 6u);
    EXPECT_EQ(image->GetRowStride(), stride);
    EXPECT_EQ(image->GetPixels(), pixels);
    EXPECT_EQ(PictureBytes(*image), before);
  }
  EXPECT_EQ(image->GetRefCount(), 1);
}

// Reducing averages the area each new pixel covers, every byte of a pixel on its own.
TEST(ResampleTest, ReducingAveragesTheCoveredArea) {
  for (const Storage& storage : kStorages) {
    SCOPED_TRACE(storage.name);
    // Two 2 x 2 blocks side by side.
    auto halves = MakeImage(Shape(4, 2, 32, storage));
    const uint8_t values[2][4] = {{10, 20, 200, 100}, {30, 41, 0, 250}};
    Fill(*halves, [&](uint32_t x, uint32_t y, uint32_t b) { return values[y][x] + b; });
    ASSERT_EQ(halves->Resample(0.5, 0.5, 0, 0), 0);
    ASSERT_EQ(halves->GetWidth(), 2u);
    ASSERT_EQ(halves->GetHeight(), 1u);
    // (10 + 20 + 30 + 41) / 4 = 25.25 and (200 + 100 + 0 + 250) / 4 = 137.5, plus b.
    EXPECT_EQ(PictureBytes(*halves), (std::vector<uint8_t>{25, 26, 27, 28, 138, 139, 140, 141}));

    // Three columns into two: each new column covers one and a half old ones.
    auto thirds = MakeImage(Shape(3, 3, 8, storage));
    const uint8_t columns[3] = {0, 90, 180};
    Fill(*thirds, [&](uint32_t x, uint32_t, uint32_t) { return columns[x]; });
    ASSERT_EQ(thirds->Resample(2.0 / 3, 1.0, 0, 0), 0);
    // (0 + 90 / 2) / 1.5 = 30 and (90 / 2 + 180) / 1.5 = 150.
    EXPECT_EQ(PictureBytes(*thirds), (std::vector<uint8_t>{30, 150, 30, 150, 30, 150}));
    EXPECT_EQ(halves->GetRefCount(), 1);
    EXPECT_EQ(thirds->GetRefCount(), 1);
  }
}

// Enlarging interpolates between the two nearest old pixels, held at the edges; rows count
// from the top of the picture whatever the storage.
TEST(ResampleTest, EnlargingIsBilinear) {
  for (const Storage& storage : kStorages) {
    SCOPED_TRACE(storage.name);
    auto row = MakeImage(Shape(2, 1, 8, storage));
    row->Row(0)[0] = 0;
    row->Row(0)[1] = 200;
    ASSERT_EQ(row->Resample(2.0, 1.0, 0, 0), 0);
    EXPECT_EQ(PictureBytes(*row), (std::vector<uint8_t>{0, 50, 150, 200}));

    auto column = MakeImage(Shape(1, 2, 24, storage));
    Fill(*column, [](uint32_t, uint32_t y, uint32_t b) { return y * 200 + b; });
    ASSERT_EQ(column->Resample(1.0, 2.0, 0, 0), 0);
    EXPECT_EQ(PictureBytes(*column),
              (std::vector<uint8_t>{0, 1, 2, 50, 51, 52, 150, 151, 152, 200, 201, 202}));
    EXPECT_EQ(row->GetRefCount(), 1);
    EXPECT_EQ(column->GetRefCount(), 1);
  }
}

TEST(ResampleTest, AnEvenPictureReducesToItsEvenValue) {
  auto image = MakeImage(Shape(720, 576, 32, kStorages[1]));
  Fill(*image, [](uint32_t, uint32_t, uint32_t b) { return 17 * (b + 1); });
  ASSERT_EQ(image->Resample(1.0 / 7, 1.0 / 7, 0, 0), 0);
  const std::vector<uint8_t> bytes = PictureBytes(*image);
  ASSERT_EQ(bytes.size(), size_t(103) * 82 * 4);
  for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 17 * (i % 4 + 1)) << i;
}

TEST(CopyToTest, CopiesPictureRowsBetweenStorages) {
  for (const Storage& from : kStorages) {
    for (const Storage& to : kStorages) {
      SCOPED_TRACE(testing::Message() << from.name << " into " << to.name);
      auto source = MakeImage(Shape(5, 4, 24, from));
      auto target = MakeImage(Shape(5, 4, 24, to));
      Fill(*source, [](uint32_t x, uint32_t y, uint32_t b) { return 1 + x * 13 + y * 50 + b; });
      EXPECT_EQ(source->CopyTo(target.get(), 2), 0);
      EXPECT_EQ(PictureBytes(*target), PictureBytes(*source));
      EXPECT_EQ(source->GetRefCount(), 1);
      EXPECT_EQ(target->GetRefCount(), 1);
    }
  }
}

TEST(CopyToTest, OnlyTheCommonPartAndOnlyAtTheSameDepth) {
  auto source = MakeImage(Shape(4, 3, 8));
  Fill(*source, [](uint32_t x, uint32_t y, uint32_t) { return 10 * y + x + 1; });
  auto smaller = MakeImage(Shape(2, 2, 8, kStorages[1]));
  EXPECT_EQ(source->CopyTo(smaller.get(), 2), 0);
  EXPECT_EQ(PictureBytes(*smaller), (std::vector<uint8_t>{1, 2, 11, 12}));

  auto deeper = MakeImage(Shape(4, 3, 16));
  EXPECT_NE(source->CopyTo(deeper.get(), 2), 0);
  EXPECT_EQ(PictureBytes(*deeper), std::vector<uint8_t>(24, 0));
  for (auto* image : {source.get(), smaller.get(), deeper.get()})
    EXPECT_EQ(image->GetRefCount(), 1);
}

TEST(ClearTest, EveryByteBecomesZeroPaddingIncluded) {
  for (const Storage& storage : kStorages) {
    SCOPED_TRACE(storage.name);
    auto image = MakeImage(Shape(3, 4, 24, storage));
    const size_t rowBytes = image->RowBytes();
    for (uint32_t y = 0; y < image->Height(); ++y)
      std::fill(image->Row(y), image->Row(y) + rowBytes + storage.rowPadding, 0xAB);
    EXPECT_EQ(image->Clear(), 0);
    for (uint32_t y = 0; y < image->Height(); ++y)
      for (size_t i = 0; i < rowBytes + storage.rowPadding; ++i)
        ASSERT_EQ(image->Row(y)[i], 0) << "row " << y << ", byte " << i;
    EXPECT_EQ(image->GetRefCount(), 1);
  }
}

TEST(PrepareOutputTest, TheOutputGetsTheInputsFormat) {
  ImageShape shape = Shape(6, 4, 24, kStorages[4]);
  shape.colorSpace = 2;
  shape.fieldMode = 1;
  shape.fieldDominance = 1;
  auto input = MakeImage(shape);
  auto factory = host::New<host::ImageFactory>();
  auto output = host::New<host::ImageHolder>();

  ComRef<IImageFormat> format;
  ASSERT_EQ(input->GetFormat(&IImageFormat::kIid, format.Put()), 0);
  ASSERT_TRUE(format);
  EXPECT_EQ(format->GetRefCount(), 1);
  EXPECT_EQ(factory->PrepareOutput(&kPrepareOutputIid, output.get(), format.get(), 512, 64), 0);
  ASSERT_NE(output->Get(), nullptr);
  EXPECT_EQ(output->Get()->Shape(), shape);
  EXPECT_EQ(output->GetImage(), output->Get());
  // An output already in that format is kept.
  host::Image* prepared = output->Get();
  EXPECT_EQ(factory->PrepareOutput(&kPrepareOutputIid, output.get(), format.get(), 512, 64), 0);
  EXPECT_EQ(output->Get(), prepared);
  // One in another format is replaced.
  output->Set(MakeImage(Shape(6, 4, 32)));
  EXPECT_EQ(factory->PrepareOutput(&kPrepareOutputIid, output.get(), format.get(), 512, 64), 0);
  EXPECT_EQ(output->Get()->Shape(), shape);

  // Without a format, or asked for another interface, nothing is prepared.
  auto empty = host::New<host::ImageHolder>();
  EXPECT_NE(factory->PrepareOutput(&kPrepareOutputIid, empty.get(), nullptr, 512, 64), 0);
  EXPECT_NE(factory->PrepareOutput(&IImageBuffer::kIid, empty.get(), format.get(), 512, 64), 0);
  EXPECT_EQ(empty->Get(), nullptr);

  EXPECT_EQ(format->GetRefCount(), 1);
  for (IRootObject* object : std::initializer_list<IRootObject*>{
           input.get(), factory.get(), output.get(), output->Get(), empty.get()})
    EXPECT_EQ(object->GetRefCount(), 1);
}

TEST(ImageFactoryTest, MakesAnImageOfTheFormatForTheCaller) {
  auto input = MakeImage(Shape(3, 2, 32, kStorages[2]));
  auto factory = host::New<host::ImageFactory>();
  ComRef<IImageFormat> format;
  ASSERT_EQ(input->GetFormat(&IImageFormat::kIid, format.Put()), 0);
  ComRef<IImageBuffer> made;
  ASSERT_EQ(
      factory->CreateImageBufferInstance(&IImageBuffer::kIid, made.Put(), 0, 0, format.get(), 0, 0),
      0);
  ASSERT_TRUE(made);
  EXPECT_EQ(made->GetRefCount(), 1);
  EXPECT_EQ(made->GetWidth(), 3u);
  EXPECT_EQ(made->GetHeight(), 2u);
  EXPECT_EQ(made->GetBitDepth(), 32u);
  EXPECT_EQ(made->GetRowStride(), input->GetRowStride());
  EXPECT_EQ(format->GetRefCount(), 1);
  EXPECT_EQ(factory->GetRefCount(), 1);
}

}  // namespace
}  // namespace lumov::test
