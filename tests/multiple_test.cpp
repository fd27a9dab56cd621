// Multiple through the built module: the grid of reduced pictures compared with what the host's
// own Resample gives, the frame band and its colour bytes, and counts that make no grid.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support.h"

namespace lumov::test {
namespace {

constexpr const char* kModule = "LumovMultiple";

host::ImageShape Shape(uint32_t width, uint32_t height, uint32_t bitDepth = 32,
                       bool bottomUp = false, uint32_t rowPadding = 0) {
  host::ImageShape shape;
  shape.width = width;
  shape.height = height;
  shape.bitDepth = bitDepth;
  shape.bottomUp = bottomUp;
  shape.rowPadding = rowPadding;
  return shape;
}

ComRef<host::Image> VariedPicture(const host::ImageShape& shape) {
  auto image = MakeImage(shape);
  Fill(*image, [](uint32_t x, uint32_t y, uint32_t b) {
    return 1 + (x * 7 + y * 13 + b * 61 + (x * y) % 17) % 250;
  });
  return image;
}

// Empty when equal, else where the first difference is.
std::string FirstDifference(const host::Image& actual, const std::vector<uint8_t>& expected) {
  const std::vector<uint8_t> bytes = PictureBytes(actual);
  if (bytes.size() != expected.size())
    return std::to_string(bytes.size()) + " bytes instead of " + std::to_string(expected.size());
  const size_t rowBytes = actual.RowBytes();
  const uint32_t pixelBytes = actual.Shape().BytesPerPixel();
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != expected[i])
      return "pixel (" + std::to_string(i % rowBytes / pixelBytes) + ", " +
             std::to_string(i / rowBytes) + ") byte " + std::to_string(i % pixelBytes) + ": " +
             std::to_string(bytes[i]) + " instead of " + std::to_string(expected[i]);
  }
  return "";
}

// The source reduced by the host itself, as Multiple asks it to for n blocks.
ComRef<host::Image> Reduced(host::Image& source, uint32_t n) {
  auto copy = MakeImage(source.Shape());
  EXPECT_EQ(source.CopyTo(copy.get(), 2), 0);
  EXPECT_EQ(copy->Resample(1.0 / n, 1.0 / n, 0, 0), 0);
  return copy;
}

// Writes `color` over the first bytes of every pixel in the band along the four edges.
void PaintBand(host::Image& picture, uint32_t band, const std::vector<uint8_t>& color) {
  const uint32_t width = picture.Width(), height = picture.Height();
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      if (y < band || y + band >= height || x < band || x + band >= width)
        std::copy(color.begin(), color.end(), picture.Row(y) + x * picture.Shape().BytesPerPixel());
}

// What a width x height output must hold: the top-left width/n x height/n pixels of `reduced`
// at every place of the n x n grid, as far as `reduced` reaches, and zeros elsewhere.
std::vector<uint8_t> Grid(const host::Image& reduced, uint32_t width, uint32_t height, uint32_t n) {
  const uint32_t bytes = reduced.Shape().BytesPerPixel();
  const uint32_t blockWidth = width / n, blockHeight = height / n;
  std::vector<uint8_t> grid(size_t(width) * height * bytes, 0);
  for (uint32_t y = 0; y < n * blockHeight; ++y) {
    for (uint32_t x = 0; x < n * blockWidth; ++x) {
      const uint32_t fromX = x % blockWidth, fromY = y % blockHeight;
      if (fromX >= reduced.Width() || fromY >= reduced.Height()) continue;
      const uint8_t* pixel = reduced.Row(fromY) + fromX * bytes;
      std::copy(pixel, pixel + bytes, grid.begin() + (size_t(y) * width + x) * bytes);
    }
  }
  return grid;
}

TEST(Multiple, DefaultsGiveFourHalfSizePicturesThatCoverTheOutput) {
  for (const auto& shape : {Shape(720, 576), Shape(720, 576, 24, true, 3)}) {
    SCOPED_TRACE(std::to_string(shape.bitDepth) + "-bit" + (shape.bottomUp ? ", bottom-up" : ""));
    EffectRig rig(kModule);
    rig.SetInput(VariedPicture(shape));
    auto reduced = Reduced(*rig.Input(), 2);
    ASSERT_EQ(reduced->Width(), 360u);
    ASSERT_EQ(reduced->Height(), 288u);
    rig.RenderFrame();
    EXPECT_EQ(FirstDifference(*rig.Output(), Grid(*reduced, 720, 576, 2)), "");
    EXPECT_EQ(PixelBytes(*rig.Output(), 719, 575), PixelBytes(*reduced, 359, 287));
    EXPECT_EQ(PixelBytes(*rig.Output(), 400, 300), PixelBytes(*reduced, 40, 12));
    // The source holds the reduced picture afterwards.
    EXPECT_EQ(FirstDifference(*rig.Input(), PictureBytes(*reduced)), "");
  }
}

TEST(Multiple, SevenBlocksLeaveClearedStripsOnTheRightAndAtTheBottom) {
  EffectRig rig(kModule);
  rig.SetInput(VariedPicture(Shape(720, 576)));
  auto reduced = Reduced(*rig.Input(), 7);
  rig.Set(0, 7);
  rig.RenderFrame();
  const host::Image& output = *rig.Output();
  EXPECT_EQ(FirstDifference(output, Grid(*reduced, 720, 576, 7)), "");
  // Blocks of 102 x 82: the last one ends at column 713 and row 573.
  EXPECT_EQ(PixelBytes(output, 713, 573), PixelBytes(*reduced, 101, 81));
  EXPECT_EQ(PixelBytes(output, 102, 82), PixelBytes(*reduced, 0, 0));
  const std::vector<uint8_t> cleared(4, 0);
  for (uint32_t y = 0; y < 576; ++y)
    for (uint32_t x = 714; x < 720; ++x)
      ASSERT_EQ(PixelBytes(output, x, y), cleared) << x << ", " << y;
  for (uint32_t y = 574; y < 576; ++y)
    for (uint32_t x = 0; x < 720; ++x)
      ASSERT_EQ(PixelBytes(output, x, y), cleared) << x << ", " << y;
}

struct FrameCase {
  const char* name;
  uint32_t bitDepth;
  int32_t frameSize;
  int32_t red, green, blue;
  uint32_t band;
  std::vector<uint8_t> color;  // the bytes of a frame pixel in memory order
};

TEST(Multiple, FrameBandWidthAndColourBytes) {
  const FrameCase cases[] = {
      {"no frame", 32, 0, 255, 128, 0, 0, {}},
      {"negative size", 32, -5, 255, 128, 0, 0, {}},
      {"size 1", 32, 1, 255, 128, 0, 1, {0, 128, 255, 0}},
      {"size 100", 32, 100, 255, 128, 0, 45, {0, 128, 255, 0}},
      {"colours above 255", 32, 100, 263, 511, 1000, 45, {232, 255, 7, 0}},
      {"24-bit pixels", 24, 100, 255, 128, 0, 45, {0, 128, 255}},
      {"48-bit pixels", 48, 40, 1, 2, 3, 18, {3, 2, 1, 0}},
  };
  for (const FrameCase& test : cases) {
    SCOPED_TRACE(test.name);
    EffectRig rig(kModule);
    rig.SetInput(VariedPicture(Shape(720, 576, test.bitDepth)));
    auto reduced = Reduced(*rig.Input(), 2);
    auto unframed = Reduced(*rig.Input(), 2);
    PaintBand(*reduced, test.band, test.color);
    rig.Set(1, test.frameSize);
    rig.Set(2, test.red);
    rig.Set(3, test.green);
    rig.Set(4, test.blue);
    rig.RenderFrame();
    const host::Image& output = *rig.Output();
    EXPECT_EQ(FirstDifference(output, Grid(*reduced, 720, 576, 2)), "");
    EXPECT_EQ(FirstDifference(*rig.Input(), PictureBytes(*reduced)), "");
    if (test.band == 0) {
      EXPECT_EQ(PixelBytes(output, 0, 0), PixelBytes(*unframed, 0, 0));
      continue;
    }
    // Inside the band of the second block in each direction, and just beside it.
    const uint32_t b = test.band;
    const std::vector<uint8_t> frame = PixelBytes(output, 360 + b - 1, 288 + 100);
    EXPECT_TRUE(std::equal(test.color.begin(), test.color.end(), frame.begin()));
    EXPECT_EQ(PixelBytes(output, 360 + b, 288 + 100), PixelBytes(*unframed, b, 100));
    EXPECT_EQ(PixelBytes(output, 720 - b - 1, 100), PixelBytes(*unframed, 360 - b - 1, 100));
    EXPECT_EQ(PixelBytes(output, 720 - b, 100), PixelBytes(*reduced, 360 - b, 100));
    EXPECT_EQ(PixelBytes(output, 100, 576 - b - 1), PixelBytes(*unframed, 100, 288 - b - 1));
    EXPECT_EQ(PixelBytes(output, 100, b), PixelBytes(*unframed, 100, b));
    EXPECT_EQ(PixelBytes(output, 100, b - 1), PixelBytes(*reduced, 100, b - 1));
  }
}

TEST(Multiple, CountsThatGiveNoBlocksKeepThePlainCopyAndTheSource) {
  const int32_t counts[] = {0,
                            -1,
                            -3,
                            std::numeric_limits<int32_t>::min(),
                            31,
                            1000000,
                            std::numeric_limits<int32_t>::max()};
  for (int32_t count : counts) {
    SCOPED_TRACE("count " + std::to_string(count));
    EffectRig rig(kModule);
    rig.SetInput(VariedPicture(Shape(40, 30)));
    const std::vector<uint8_t> source = PictureBytes(*rig.Input());
    rig.Set(0, count);
    rig.Set(1, 50);
    rig.RenderFrame();
    EXPECT_EQ(FirstDifference(*rig.Output(), source), "");
    EXPECT_EQ(FirstDifference(*rig.Input(), source), "");
  }

  SCOPED_TRACE("as many blocks as the output is high");
  EffectRig rig(kModule);
  rig.SetInput(VariedPicture(Shape(40, 30)));
  auto reduced = Reduced(*rig.Input(), 30);
  rig.Set(0, 30);
  rig.RenderFrame();
  EXPECT_EQ(FirstDifference(*rig.Output(), Grid(*reduced, 40, 30, 30)), "");
}

// A source whose Resample gives less than asked for, as a host with other rounding might.
class ShrinkingImage : public host::ForwardingImage {
 public:
  ShrinkingImage(ComRef<host::Image> image, double shrink)
      : ForwardingImage(std::move(image)), shrink(shrink) {}

  int32_t LUMOV_CALL Resample(double sx, double sy, int32_t a, int32_t b) override {
    return Inner().Resample(sx * shrink, sy * shrink, a, b);
  }

 private:
  double shrink;
};

class BufferHolder : public host::HostObject<IImageHolder> {
 public:
  explicit BufferHolder(IImageBuffer* image) : image(image) {}
  IImageBuffer* LUMOV_CALL GetImage() override { return image; }

 private:
  IImageBuffer* image;
};

TEST(Multiple, AReducedPictureSmallerThanTheBlocksIsReadOnlyInside) {
  for (int32_t frameSize : {0, 100}) {
    SCOPED_TRACE("frame size " + std::to_string(frameSize));
    EffectRig rig(kModule);
    auto picture = VariedPicture(Shape(40, 30));
    // Half of what is asked for: 10 x 8 instead of 20 x 15.
    auto expected = Reduced(*picture, 4);
    ASSERT_EQ(expected->Width(), 10u);
    ASSERT_EQ(expected->Height(), 8u);
    if (frameSize > 0) PaintBand(*expected, 1, {9, 8, 7, 0});
    auto source = host::New<ShrinkingImage>(picture, 0.5);
    auto holder = host::New<BufferHolder>(source.get());
    IImageHolder* holders[] = {holder.get()};
    InputList inputs{0, holders};
    rig.Instance().Output().Set(MakeImage(Shape(40, 30)));
    rig.Set(1, frameSize);
    rig.Set(2, 7);
    rig.Set(3, 8);
    rig.Set(4, 9);
    ASSERT_EQ(rig.Effect()->Process(&rig.Instance().Output(), &inputs, &rig.Parameters(),
                                    &rig.Position(), &rig.Images()),
              0);
    EXPECT_EQ(FirstDifference(*rig.Output(), Grid(*expected, 40, 30, 2)), "");
    EXPECT_EQ(FirstDifference(source->Inner(), PictureBytes(*expected)), "");
    EXPECT_EQ(source->GetRefCount(), 1);
    EXPECT_EQ(holder->GetRefCount(), 1);
  }
}

TEST(Multiple, SourceAndOutputOfDifferentFormatsStayInsideBothImages) {
  struct SizeCase {
    host::ImageShape source;
    host::ImageShape output;
  };
  const SizeCase cases[] = {
      {Shape(100, 80), Shape(300, 200)},
      {Shape(720, 576), Shape(300, 200)},
      {Shape(60, 50, 24, true), Shape(7, 301, 24)},
      {Shape(60, 50, 24), Shape(301, 7, 24, true, 2)},
  };
  for (const SizeCase& test : cases) {
    SCOPED_TRACE(std::to_string(test.source.width) + "x" + std::to_string(test.source.height) +
                 " into " + std::to_string(test.output.width) + "x" +
                 std::to_string(test.output.height));
    EffectRig rig(kModule);
    rig.SetInput(VariedPicture(test.source));
    auto reduced = Reduced(*rig.Input(), 2);
    std::vector<uint8_t> color = {30, 20, 10, 0};
    color.resize(std::min(test.source.BytesPerPixel(), 4u));
    PaintBand(*reduced, 1, color);
    rig.Set(1, 1);
    rig.Set(2, 10);
    rig.Set(3, 20);
    rig.Set(4, 30);
    ASSERT_EQ(rig.Begin(), 0);
    rig.Instance().Output().Set(MakeImage(test.output));
    ASSERT_EQ(rig.Process(), 0);
    EXPECT_EQ(
        FirstDifference(*rig.Output(), Grid(*reduced, test.output.width, test.output.height, 2)),
        "");
  }

  SCOPED_TRACE("different bit depth");
  EffectRig rig(kModule);
  rig.SetInput(VariedPicture(Shape(40, 30, 24)));
  const std::vector<uint8_t> source = PictureBytes(*rig.Input());
  ASSERT_EQ(rig.Begin(), 0);
  rig.Instance().Output().Set(MakeImage(Shape(40, 30, 32)));
  ASSERT_EQ(rig.Process(), 0);
  EXPECT_EQ(FirstDifference(*rig.Output(), std::vector<uint8_t>(40 * 30 * 4, 0)), "");
  EXPECT_EQ(FirstDifference(*rig.Input(), source), "");
}

}  // namespace
}  // namespace lumov::test
