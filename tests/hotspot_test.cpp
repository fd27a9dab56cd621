// The Hotspot module as a host drives it: parameters to spot, copy and shade, and frames the
// table does not fit.
#include "support.h"

namespace lumov::test {
namespace {

enum Parameter {
  kX = 0,
  kY = 1,
  kRadius = 2,
  kIntensity = 3,
  kInsideGrey = 4,
  kOutsideGrey = 5,
  kTransition = 6,
  kFutureUse = 7
};

ComRef<host::Image> Varied(uint32_t width, uint32_t height) {
  auto image = MakeImage(ShapeOf(width, height));
  Fill(*image,
       [](uint32_t x, uint32_t y, uint32_t b) { return 20 + (x * 7 + y * 13 + b * 29) % 200; });
  return image;
}

ComRef<host::Image> Uniform(uint32_t width, uint32_t height, const std::vector<uint8_t>& pixel) {
  auto image = MakeImage(ShapeOf(width, height));
  Fill(*image, [&](uint32_t, uint32_t, uint32_t b) { return pixel[b]; });
  return image;
}

// With the defaults the spot is a disc of radius W/8 = 8 around (32, 24), 62.5 % brighter at
// its centre and fading to nothing at its rim.
TEST(Hotspot, DefaultsLightADiscAroundTheCentre) {
  EffectRig rig("LumovHotspot");
  rig.SetInput(Uniform(64, 48, {100, 100, 100, 100}));
  rig.RenderFrame();
  host::Image& output = *rig.Output();
  EXPECT_EQ(PixelBytes(output, 32, 24), std::vector<uint8_t>(4, 162));
  // Half way out: 312 thousandths.
  EXPECT_EQ(PixelBytes(output, 36, 24), std::vector<uint8_t>(4, 131));
  for (uint32_t y = 0; y < 48; ++y) {
    for (uint32_t x = 0; x < 64; ++x) {
      const int dx = int(x) - 32, dy = int(y) - 24;
      if (dx * dx + dy * dy >= 64) {
        ASSERT_EQ(PixelBytes(output, x, y), std::vector<uint8_t>(4, 100)) << x << "," << y;
      }
    }
  }
}

TEST(Hotspot, ParametersPlaceAndShapeTheSpot) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, double>> settings;
    std::vector<std::pair<uint32_t, uint32_t>> lit, unlit;
  };
  // Radius 10 of a 64-wide picture is 3.2 pixels.
  const Case cases[] = {
      {"top left", {{kX, -100}, {kY, -100}, {kRadius, 10}}, {{0, 0}, {3, 0}}, {{4, 0}, {63, 47}}},
      {"bottom right",
       {{kX, 100}, {kY, 100}, {kRadius, 10}},
       {{63, 47}, {62, 46}},
       {{0, 0}, {60, 47}}},
      {"top right", {{kX, 100}, {kY, -100}, {kRadius, 10}}, {{63, 0}}, {{0, 0}, {63, 47}}},
      {"radius 100 is half the width", {{kRadius, 100}}, {{0, 24}, {32, 0}}, {{0, 23}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EffectRig rig("LumovHotspot");
    rig.SetInput(Uniform(64, 48, {100, 100, 100, 100}));
    rig.Set(kTransition, 0);
    for (const auto& [index, value] : c.settings) rig.Set(index, value);
    rig.RenderFrame();
    for (const auto& [x, y] : c.lit)
      EXPECT_EQ(PixelBytes(*rig.Output(), x, y), std::vector<uint8_t>(4, 162)) << x << "," << y;
    for (const auto& [x, y] : c.unlit)
      EXPECT_EQ(PixelBytes(*rig.Output(), x, y), std::vector<uint8_t>(4, 100)) << x << "," << y;
  }
}

TEST(Hotspot, IntensityZeroWithoutGreyCopiesTheSource) {
  for (const int transition : {0, 1}) {
    EffectRig rig("LumovHotspot");
    rig.SetInput(Varied(40, 30));
    rig.Set(kIntensity, 0);
    rig.Set(kTransition, transition);
    rig.Set(kRadius, 100);
    rig.RenderFrame();
    EXPECT_EQ(PictureBytes(*rig.Output()), PictureBytes(*rig.Input()));
  }
}

// Pixel (40, 80, 120, 200) made grey is 110 in all four bytes; (32, 24) lies in the spot,
// (0, 0) outside.
TEST(Hotspot, BlackAndWhiteInsideAndOutside) {
  const std::vector<uint8_t> colour{40, 80, 120, 200}, grey(4, 110);
  struct Case {
    int inside, outside;
    std::vector<uint8_t> centre, corner;
  };
  for (const Case& c : {Case{1, 0, grey, colour}, Case{0, 1, colour, grey}, Case{1, 1, grey, grey},
                        Case{0, 0, colour, colour}}) {
    SCOPED_TRACE(testing::Message() << "inside " << c.inside << " outside " << c.outside);
    EffectRig rig("LumovHotspot");
    rig.SetInput(Uniform(64, 48, colour));
    rig.Set(kIntensity, 0);
    rig.Set(kInsideGrey, c.inside);
    rig.Set(kOutsideGrey, c.outside);
    rig.RenderFrame();
    EXPECT_EQ(PixelBytes(*rig.Output(), 32, 24), c.centre);
    EXPECT_EQ(PixelBytes(*rig.Output(), 0, 0), c.corner);
  }
}

TEST(Hotspot, BlackStaysBlack) {
  EffectRig rig("LumovHotspot");
  rig.SetInput(Uniform(64, 48, {0, 0, 0, 0}));
  rig.Set(kTransition, 0);
  rig.RenderFrame();
  EXPECT_EQ(PictureBytes(*rig.Output()), PictureBytes(*rig.Input()));
}

TEST(Hotspot, FutureUseChangesNothingVisible) {
  EffectRig rig("LumovHotspot");
  rig.SetInput(Varied(40, 30));
  rig.RenderFrame();
  const std::vector<uint8_t> first = PictureBytes(*rig.Output());
  EXPECT_NE(first, PictureBytes(*rig.Input()));
  rig.Set(kFutureUse, 42);
  rig.RenderFrame();
  EXPECT_EQ(PictureBytes(*rig.Output()), first);
}

TEST(Hotspot, AnOutputOfAnotherSizeGetsThePlainCopy) {
  EffectRig rig("LumovHotspot");
  rig.SetInput(Varied(40, 30));
  ASSERT_EQ(rig.Begin(), 0);
  rig.Instance().Output().Set(MakeImage(ShapeOf(20, 30)));
  ASSERT_EQ(rig.Process(), 0);
  host::Image& output = *rig.Output();
  for (uint32_t y = 0; y < 30; ++y) {
    ASSERT_EQ(std::vector<uint8_t>(output.Row(y), output.Row(y) + 80),
              std::vector<uint8_t>(rig.Input()->Row(y), rig.Input()->Row(y) + 80))
        << "row " << y;
  }
}

TEST(Hotspot, ProcessAfterAFrameWithoutInputDoesNothing) {
  EffectRig rig("LumovHotspot");
  EXPECT_EQ(rig.Begin(), kNoInputImage);
  EXPECT_EQ(rig.Process(), 0);
  EXPECT_EQ(rig.End(), 0);
}

}  // namespace
}  // namespace lumov::test
