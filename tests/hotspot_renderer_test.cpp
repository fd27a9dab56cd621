// The light-spot renderer on its own, with the host's images: the shading of both variants, the
// spot's place and size, change detection and the table's memory.
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "../effects/hotspot/hotspot_renderer.h"
#include "support.h"

namespace lumov::test {
namespace {

using Pixel = std::pair<uint32_t, uint32_t>;  // column, row
using Entry = std::pair<int, int>;            // brightness, grey

// Table memory that the test can watch and make fail. The table's entries open the block.
struct WatchedMemory {
  static inline int allocations = 0;
  static inline int releases = 0;
  static inline bool failNext = false;
  static inline void* last = nullptr;
  static inline size_t lastBytes = 0;
  static inline std::vector<std::string> events;

  static void* Allocate(size_t bytes) {
    events.push_back("allocate");
    lastBytes = bytes;
    if (std::exchange(failNext, false)) return nullptr;
    ++allocations;
    last = ::operator new(bytes);
    return last;
  }
  static void Release(void* block) {
    events.push_back("release");
    ++releases;
    ::operator delete(block);
  }
  static ShadeEntry* Table() { return static_cast<ShadeEntry*>(last); }
};

constexpr TableAllocator kWatched{WatchedMemory::Allocate, WatchedMemory::Release};

struct SpotValues {
  double x = 0.0;
  double y = 0.0;
  double radius = 25.0;
  double intensity = 25.0;
  int insideGrey = 0;
  int outsideGrey = 0;
  int transition = 0;
  double spare = 0.0;
};

int32_t Build(HotspotRenderer& renderer, IImageBuffer* image, const SpotValues& spot) {
  return renderer.BuildTable(image, spot.x, spot.y, spot.radius, spot.intensity, spot.insideGrey,
                             spot.outsideGrey, spot.transition, spot.spare);
}

class HotspotRendererTest : public testing::Test {
 protected:
  void SetUp() override {
    WatchedMemory::allocations = 0;
    WatchedMemory::releases = 0;
    WatchedMemory::failNext = false;
    WatchedMemory::last = nullptr;
    WatchedMemory::lastBytes = 0;
    WatchedMemory::events.clear();
  }
  void TearDown() override {
    EXPECT_EQ(WatchedMemory::allocations, WatchedMemory::releases) << "a table was not freed";
  }
};

ComRef<host::Image> Uniform(const host::ImageShape& shape, uint8_t value) {
  auto image = MakeImage(shape);
  Fill(*image, [&](uint32_t, uint32_t, uint32_t) { return value; });
  return image;
}

// A picture whose bytes all differ from their neighbours'.
ComRef<host::Image> Varied(const host::ImageShape& shape) {
  auto image = MakeImage(shape);
  Fill(*image,
       [](uint32_t x, uint32_t y, uint32_t b) { return 20 + (x * 7 + y * 13 + b * 29) % 200; });
  return image;
}

// The pixels whose bytes differ between two pictures of one size.
std::set<Pixel> Changed(host::Image& before, host::Image& after) {
  std::set<Pixel> changed;
  for (uint32_t y = 0; y < before.Height(); ++y)
    for (uint32_t x = 0; x < before.Width(); ++x)
      if (PixelBytes(before, x, y) != PixelBytes(after, x, y)) changed.insert({x, y});
  return changed;
}

// Builds and applies the spot to a copy of `source`; the shaded copy.
ComRef<host::Image> Shade(ShadingVariant variant, host::Image& source, const SpotValues& spot) {
  HotspotRenderer renderer(variant, kWatched);
  auto shaded = MakeImage(source.Shape());
  source.CopyTo(shaded.get(), 2);
  EXPECT_EQ(Build(renderer, shaded.get(), spot), 0);
  EXPECT_EQ(renderer.ApplyTable(shaded.get()), 0);
  return shaded;
}

TEST(HotspotClamp, ByteFromNewValue) {
  const std::pair<double, int> cases[] = {{255.9, 255},  {256.0, 255}, {300.0, 255}, {255.0, 255},
                                          {254.99, 254}, {1.0, 1},     {0.7, 0},     {0.0, 0},
                                          {-0.0, 0},     {-3.2, 0}};
  for (const auto& [g, expected] : cases) EXPECT_EQ(ClampToByte(g), expected) << g;
}

// A 32-bit pixel of equal bytes on the spot's centre, without Transition: its new bytes.
TEST_F(HotspotRendererTest, ShadesTheSpotByTheVariantsFormulas) {
  struct Case {
    ShadingVariant variant;
    double intensity;
    uint8_t in;
    uint8_t out;
  };
  const Case cases[] = {
      {ShadingVariant::Plain, 25, 100, 162},  {ShadingVariant::Plain, -25, 100, 37},
      {ShadingVariant::Plain, -40, 100, 0},   {ShadingVariant::Plain, 100, 100, 255},
      {ShadingVariant::Plain, 25, 0, 0},      {ShadingVariant::Plain, 24, 160, 255},  // 256.0
      {ShadingVariant::Plain, 1.3, 248, 255},                                         // 255.936
      {ShadingVariant::Plain, -39.9, 167, 0},                                         // 0.501
      {ShadingVariant::Plain, -100, 100, 0},                                          // -150
      {ShadingVariant::Lifted, 25, 100, 193}, {ShadingVariant::Lifted, -25, 100, 58},
      {ShadingVariant::Lifted, -40, 100, 33}, {ShadingVariant::Lifted, 100, 100, 255},
      {ShadingVariant::Lifted, 25, 0, 31},    {ShadingVariant::Lifted, 8, 205, 255},  // 256.0
      {ShadingVariant::Lifted, -40, 2, 0},                                            // 0.667
      {ShadingVariant::Lifted, -100, 100, 0},                                         // -66.7
  };
  for (const Case& c : cases) {
    const bool plain = c.variant == ShadingVariant::Plain;
    SCOPED_TRACE(testing::Message() << (plain ? "Plain" : "Lifted") << " intensity " << c.intensity
                                    << " byte " << int(c.in));
    auto source = Uniform(ShapeOf(3, 1), c.in);
    auto shaded =
        Shade(c.variant, *source, {.x = -100, .y = -100, .radius = 10, .intensity = c.intensity});
    // The fourth byte is scaled by Plain only.
    const uint8_t fourth = plain ? c.out : c.in;
    EXPECT_EQ(PixelBytes(*shaded, 0, 0), std::vector<uint8_t>({c.out, c.out, c.out, fourth}));
    EXPECT_EQ(PixelBytes(*shaded, 1, 0), PixelBytes(*source, 1, 0));
  }
}

// A byte under a brightness, straight from the definition.
uint8_t DefinedByte(ShadingVariant variant, int brightness, uint8_t byte) {
  const double b = byte;
  double g = 0.0;
  if (variant == ShadingVariant::Plain)
    g = b + b * (brightness * 0.001);
  else if (brightness > 0)
    g = b + (b + 50.0) * (brightness * 0.001);
  else
    g = b + b * (brightness * (1.0 / 1500.0));
  if (g >= 256.0) return 255;
  if (g <= 0.0) return 0;
  return uint8_t(g);
}

// Every 16-bit brightness on every byte value: on renderers renewed every 4096 values, and all
// of them in turn, then again, on one renderer that keeps what it made for earlier frames (far
// more than a spot of the effects' ranges brings).
TEST_F(HotspotRendererTest, EveryBrightnessShadesEveryByteAsDefined) {
  // 16 x 16 pixels, all inside the spot; between them they hold every byte value in each of
  // their four places.
  auto source = MakeImage(ShapeOf(16, 16));
  Fill(*source, [](uint32_t x, uint32_t y, uint32_t b) { return (x + 16 * y + 85 * b) % 256; });
  auto image = MakeImage(source->Shape());
  const std::vector<uint8_t> before = PictureBytes(*source);
  const auto shadesAsDefined = [&](HotspotRenderer& renderer, ShadingVariant variant,
                                   int brightness) {
    const size_t scaled = variant == ShadingVariant::Plain ? 4 : 3;
    std::vector<uint8_t> expected = before;
    for (size_t i = 0; i < expected.size(); ++i)
      if (i % 4 < scaled) expected[i] = DefinedByte(variant, brightness, before[i]);
    // Half a thousandth further from zero truncates to the brightness itself.
    const double intensity = (brightness + (brightness < 0 ? -0.5 : 0.5)) / 25.0;
    source->CopyTo(image.get(), 2);
    return Build(renderer, image.get(), {.radius = 1000, .intensity = intensity}) == 0 &&
           renderer.ApplyTable(image.get()) == 0 && PictureBytes(*image) == expected;
  };
  for (const ShadingVariant variant : {ShadingVariant::Plain, ShadingVariant::Lifted}) {
    const char* name = variant == ShadingVariant::Plain ? "Plain" : "Lifted";
    std::unique_ptr<HotspotRenderer> fresh;
    for (int brightness = -32768; brightness <= 32767; ++brightness) {
      if (brightness % 4096 == 0) fresh = std::make_unique<HotspotRenderer>(variant, kWatched);
      ASSERT_TRUE(shadesAsDefined(*fresh, variant, brightness)) << name << " " << brightness;
      ASSERT_EQ(WatchedMemory::Table()[0].brightness, brightness);
    }
    // From 1 up, so that the first bytes it keeps are not all 0 or 255; the second sweep looks
    // at a sample.
    HotspotRenderer lasting(variant, kWatched);
    for (const int stride : {1, 16}) {
      for (int step = 1; step <= 65536; step += stride) {
        const int brightness = int16_t(step);
        ASSERT_TRUE(shadesAsDefined(lasting, variant, brightness))
            << name << " " << brightness << (stride == 1 ? "" : ", again");
      }
    }
  }
}

// The brightness is the low 16 bits of the truncated thousandths; what 32 bits cannot hold
// (and NaN) counts as 0, so such an intensity leaves the spot's brightness alone.
TEST_F(HotspotRendererTest, BrightnessKeepsTheLow16BitsOfItsThousandths) {
  const std::pair<double, uint8_t> cases[] = {
      {1400, 0},       // 35000 thousandths wrap to -30536: darker, not brighter
      {2621.44, 100},  // 65536 thousandths: low bits 0
      {1e12, 100},
      {-1e12, 100},
      {std::numeric_limits<double>::infinity(), 100},
      {std::numeric_limits<double>::quiet_NaN(), 100},
  };
  auto source = Uniform(ShapeOf(2, 1), 100);
  for (const auto& [intensity, out] : cases) {
    for (const int transition : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "intensity " << intensity << " transition " << transition);
      auto shaded = Shade(
          ShadingVariant::Plain, *source,
          {.x = -100, .y = -100, .radius = 10, .intensity = intensity, .transition = transition});
      EXPECT_EQ(PixelBytes(*shaded, 0, 0), std::vector<uint8_t>(4, out));
    }
  }
}

TEST_F(HotspotRendererTest, PlacesTheSpotInPictureRowsWhateverTheStorage) {
  struct Case {
    const char* name;
    uint32_t width, height;
    double x, y, radius;
    std::set<Pixel> lit;
  };
  // Radius 37.5 of an 8-wide picture is 1.5 pixels; radius 100 of a 16-wide one is 8.
  std::set<Pixel> wideDisc;
  for (uint32_t r = 0; r < 8; ++r)
    for (uint32_t c = 0; c < 16; ++c)
      if ((int(c) - 8) * (int(c) - 8) + (int(r) - 4) * (int(r) - 4) <= 64) wideDisc.insert({c, r});
  const Case cases[] = {
      {"(-100,-100) is pixel (0,0)", 8, 6, -100, -100, 0, {{0, 0}}},
      {"(0,0) is pixel (W/2,H/2)", 8, 6, 0, 0, 0, {{4, 3}}},
      {"(100,100) is (W,H), past the last pixel", 8, 6, 100, 100, 0, {}},
      {"1.5 pixels around (W,H)", 8, 6, 100, 100, 37.5, {{7, 5}}},
      {"1.5 pixels around (0,0)", 8, 6, -100, -100, 37.5, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
      {"radius 100 is W/2, cut off at top and bottom", 16, 8, 0, 0, 100, wideDisc},
  };
  struct Storage {
    const char* name;
    bool bottomUp, negativeStride;
    uint32_t rowPadding;
  };
  const Storage storages[] = {{"top-down", false, false, 0},
                              {"bottom-up", true, false, 0},
                              {"negative stride", false, true, 0},
                              {"bottom-up, negative stride, padded", true, true, 12}};
  for (const Storage& storage : storages) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << ", " << storage.name);
      host::ImageShape shape = ShapeOf(c.width, c.height);
      shape.bottomUp = storage.bottomUp;
      shape.negativeStride = storage.negativeStride;
      shape.rowPadding = storage.rowPadding;
      auto source = Uniform(shape, 100);
      for (const ShadingVariant variant : {ShadingVariant::Plain, ShadingVariant::Lifted}) {
        auto shaded = Shade(variant, *source, {.x = c.x, .y = c.y, .radius = c.radius});
        EXPECT_EQ(Changed(*source, *shaded), c.lit);
      }
    }
  }
}

TEST_F(HotspotRendererTest, TheRimIsInsideButTransitionLeavesItsBrightness) {
  // 16 x 8, centre (8, 4), radius 8: pixel (0, 4) lies on the rim, (1, 4) just inside,
  // (0, 3) outside.
  auto source = MakeImage(ShapeOf(16, 8));
  Fill(*source, [](uint32_t, uint32_t, uint32_t b) { return 10 * (b + 1); });
  auto shaded = Shade(ShadingVariant::Plain, *source,
                      {.radius = 100, .intensity = 100, .insideGrey = 1, .transition = 1});
  EXPECT_EQ(PixelBytes(*shaded, 0, 4), std::vector<uint8_t>(4, 25));  // grey only
  // Brightness 2.5 x 1/8 = 312 thousandths: 25 + 7.8.
  EXPECT_EQ(PixelBytes(*shaded, 1, 4), std::vector<uint8_t>(4, 32));
  EXPECT_EQ(PixelBytes(*shaded, 0, 3), PixelBytes(*source, 0, 3));
}

TEST_F(HotspotRendererTest, WithoutRadiusOnlyTheCentrePixelIsInsideAndGetsNoBrightness) {
  auto source = MakeImage(ShapeOf(4, 3));
  Fill(*source, [](uint32_t, uint32_t, uint32_t b) { return 10 * (b + 1); });
  struct Case {
    int insideGrey;
    std::set<Pixel> changed;
  };
  for (const Case& c : {Case{1, {{0, 0}}}, Case{0, {}}}) {
    for (const ShadingVariant variant : {ShadingVariant::Plain, ShadingVariant::Lifted}) {
      auto shaded = Shade(variant, *source,
                          {.x = -100,
                           .y = -100,
                           .radius = 0,
                           .intensity = 100,
                           .insideGrey = c.insideGrey,
                           .transition = 1});
      EXPECT_EQ(Changed(*source, *shaded), c.changed);
      if (c.insideGrey != 0) {
        const uint8_t mean = variant == ShadingVariant::Plain ? 25 : 20;
        EXPECT_EQ(PixelBytes(*shaded, 0, 0), std::vector<uint8_t>(4, mean));
      }
    }
  }
}

TEST_F(HotspotRendererTest, GreyStepsOfEveryPixelSize) {
  struct Case {
    const char* name;
    ShadingVariant variant;
    uint32_t bitDepth;
    std::vector<uint8_t> in;
    double intensity;
    int grey;
    std::vector<uint8_t> out;
  };
  const auto plain = ShadingVariant::Plain;
  const auto lifted = ShadingVariant::Lifted;
  const Case cases[] = {
      {"3 bytes", plain, 24, {10, 20, 31}, 0, 1, {20, 20, 20}},
      {"3 bytes", lifted, 24, {10, 20, 31}, 0, 1, {20, 20, 20}},
      {"the fourth byte in the mean", plain, 32, {10, 20, 30, 41}, 0, 1, {25, 25, 25, 25}},
      {"the mean of three into the fourth", lifted, 32, {10, 20, 30, 41}, 0, 1, {20, 20, 20, 20}},
      {"the fourth byte scaled", plain, 32, {100, 100, 100, 100}, 25, 0, {162, 162, 162, 162}},
      {"the fourth byte kept", lifted, 32, {100, 100, 100, 100}, 25, 0, {193, 193, 193, 100}},
      {"grey, then brighter", plain, 32, {100, 110, 120, 10}, 25, 1, {138, 138, 138, 138}},
      {"grey, then brighter", lifted, 32, {100, 110, 120, 7}, 25, 1, {210, 210, 210, 110}},
      {"8 bytes: four in the sum, eight in the division",
       plain,
       64,
       {10, 20, 30, 40, 50, 60, 70, 80},
       0,
       1,
       {12, 12, 12, 12, 12, 12, 12, 12}},
      {"8 bytes: four scaled",
       plain,
       64,
       {10, 20, 30, 40, 50, 60, 70, 80},
       25,
       0,
       {16, 32, 48, 65, 50, 60, 70, 80}},
      {"8 bytes",
       lifted,
       64,
       {10, 20, 30, 40, 50, 60, 70, 80},
       25,
       1,
       {63, 63, 63, 20, 20, 20, 20, 20}},
      {"2 bytes", plain, 16, {10, 21}, 0, 1, {15, 15}},
      {"1 byte", plain, 8, {77}, 25, 1, {125}},
      {"12 bits are 1 byte", plain, 12, {77}, 25, 0, {125}},
  };
  for (const Case& c : cases) {
    for (const bool inside : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.name << (c.variant == plain ? ", Plain" : ", Lifted")
                                      << (inside ? ", inside" : ", outside"));
      auto source = MakeImage(ShapeOf(2, 1, c.bitDepth));
      Fill(*source, [&](uint32_t, uint32_t, uint32_t b) { return c.in[b]; });
      // Pixel 0 is in the spot, pixel 1 outside; outside, only the grey step applies.
      const SpotValues spot{.x = -100,
                            .y = -100,
                            .radius = 10,
                            .intensity = c.intensity,
                            .insideGrey = inside ? c.grey : 0,
                            .outsideGrey = inside ? 0 : c.grey};
      auto shaded = Shade(c.variant, *source, spot);
      if (inside) {
        EXPECT_EQ(PixelBytes(*shaded, 0, 0), c.out);
      } else if (c.intensity == 0) {
        EXPECT_EQ(PixelBytes(*shaded, 1, 0), c.out);
      } else if (c.grey == 0) {
        EXPECT_EQ(PixelBytes(*shaded, 1, 0), c.in);
      }
    }
  }
}

TEST_F(HotspotRendererTest, PixelsTooSmallForTheVariantAreLeftAlone) {
  struct Case {
    ShadingVariant variant;
    uint32_t bitDepth;
  };
  for (const Case& c : {Case{ShadingVariant::Plain, 4}, Case{ShadingVariant::Plain, 7},
                        Case{ShadingVariant::Lifted, 8}, Case{ShadingVariant::Lifted, 16},
                        Case{ShadingVariant::Lifted, 23}}) {
    SCOPED_TRACE(testing::Message() << c.bitDepth << " bits");
    host::ImageShape shape = ShapeOf(5, 3, c.bitDepth);
    auto image = MakeImage(shape);
    for (uint32_t y = 0; y < 3; ++y)
      for (size_t i = 0; i < image->RowBytes(); ++i) image->Row(y)[i] = uint8_t(40 + 10 * i + y);
    const std::vector<uint8_t> before = PictureBytes(*image);
    HotspotRenderer renderer(c.variant, kWatched);
    ASSERT_EQ(Build(renderer, image.get(),
                    {.radius = 100, .intensity = 100, .insideGrey = 1, .outsideGrey = 1}),
              0);
    EXPECT_EQ(renderer.ApplyTable(image.get()), kNoFittingImage);
    EXPECT_EQ(PictureBytes(*image), before);
  }
}

// 10 x 10, centre (5, 5), radius 2 pixels: exactly the pixels with dx^2 + dy^2 <= 4 are inside.
TEST_F(HotspotRendererTest, OnlyPixelsInsideTheSpotChangeBrightness) {
  auto source = Varied(ShapeOf(10, 10));
  std::set<Pixel> inside;
  for (uint32_t r = 0; r < 10; ++r)
    for (uint32_t c = 0; c < 10; ++c)
      if ((int(c) - 5) * (int(c) - 5) + (int(r) - 5) * (int(r) - 5) <= 4) inside.insert({c, r});
  for (const ShadingVariant variant : {ShadingVariant::Plain, ShadingVariant::Lifted}) {
    for (const int transition : {0, 1}) {
      for (const double intensity : {-100.0, -40.0, -25.0, 0.0, 0.4, 25.0, 100.0}) {
        SCOPED_TRACE(testing::Message()
                     << "intensity " << intensity << " transition " << transition);
        auto shaded = Shade(variant, *source,
                            {.radius = 40, .intensity = intensity, .transition = transition});
        const std::set<Pixel> changed = Changed(*source, *shaded);
        EXPECT_TRUE(std::includes(inside.begin(), inside.end(), changed.begin(), changed.end()));
        if (intensity == 0.0) {
          EXPECT_TRUE(changed.empty());
        } else if (intensity <= -25.0 || intensity >= 25.0) {
          EXPECT_TRUE(changed.contains({5, 5}));
        }
      }
    }
  }
}

// The table entry of pixel (c, r) straight from its definition, one square root per pixel.
Entry DefinedEntry(const SpotValues& spot, uint32_t width, uint32_t height, uint32_t c,
                   uint32_t r) {
  const double w = width, h = height;
  const double cx = ((spot.x + 100.0) * w) * 0.005;
  const double cy = ((spot.y + 100.0) * h) * 0.005;
  const double radius = ((w * 0.5) * spot.radius) * 0.01;
  const double d = std::sqrt((c - cx) * (c - cx) + (r - cy) * (r - cy));
  if (!(d <= radius)) return {0, spot.outsideGrey != 0};
  double strength = spot.intensity * 0.025;
  if (spot.transition != 0) strength = radius == 0.0 ? 0.0 : strength * ((radius - d) / radius);
  const double thousandths = strength * 1000.0;
  const bool fits = thousandths > -2147483649.0 && thousandths < 2147483648.0;
  return {fits ? int16_t(int32_t(thousandths)) : 0, spot.insideGrey != 0};
}

// The table skips the square root where a pixel is plainly outside and the shading skips the
// table there; both must give what the definition gives, pixel by pixel, wherever the spot is.
TEST_F(HotspotRendererTest, TablesAndShadingFollowTheDefinitionEverywhere) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const SpotValues spots[] = {
      {},
      {.x = 13.7, .y = -41.2, .radius = 33.3, .intensity = -60, .transition = 1},
      {.x = -100, .y = -100, .radius = 10},
      // On 37 x 23, centre (18.7, 5.0) and radius 3.05: row 8 holds only column 19.
      {.x = 1.0810810810810811, .y = -56.52173913043478, .radius = 16.486},
      {.x = 100, .y = 100, .radius = 100, .transition = 1},
      {.x = -150, .y = 20, .radius = 60},
      {.x = 180, .y = -20, .radius = 60, .intensity = 80, .insideGrey = 1},
      {.x = 0, .y = -300, .radius = 90},
      {.x = 0, .y = 350, .radius = 90, .outsideGrey = 1},
      {.radius = 1000, .intensity = 100, .transition = 1},
      {.radius = 1e300},
      {.radius = 1e-160, .insideGrey = 1},
      {.x = -100, .y = -100, .radius = 0, .insideGrey = 1},
      {.radius = -5, .insideGrey = 1, .outsideGrey = 1},
      {.x = 1e300, .radius = 50, .outsideGrey = 1},
      {.x = -1e300, .radius = 50},
      {.x = nan, .radius = 50, .outsideGrey = 1},
      {.y = nan, .radius = 50},
      {.radius = nan, .insideGrey = 1},
      {.x = inf, .radius = 50},
      {.y = -inf, .radius = 50},
      {.radius = inf, .intensity = 50, .transition = 1},
      {.radius = inf, .intensity = 50, .insideGrey = 1},
      {.intensity = nan, .insideGrey = 1, .transition = 1},
  };
  struct Size {
    uint32_t width, height;
  };
  const std::vector<uint8_t> colour{40, 80, 120, 200};
  for (const Size size : {Size{37, 23}, Size{1, 9}, Size{9, 1}, Size{64, 48}}) {
    for (const ShadingVariant variant : {ShadingVariant::Plain, ShadingVariant::Lifted}) {
      // One renderer goes through all spots, rebuilding its table each time.
      HotspotRenderer renderer(variant, kWatched);
      for (size_t i = 0; i < std::size(spots); ++i) {
        const SpotValues& spot = spots[i];
        SCOPED_TRACE(testing::Message()
                     << "spot " << i << " on " << size.width << " x " << size.height);
        auto image = Uniform(ShapeOf(size.width, size.height), 0);
        Fill(*image, [&](uint32_t, uint32_t, uint32_t b) { return colour[b]; });
        ASSERT_EQ(Build(renderer, image.get(), spot), 0);
        const ShadeEntry* table = WatchedMemory::Table();
        ASSERT_EQ(renderer.ApplyTable(image.get()), 0);
        // Pixels of one colour with equal entries come out equal; an entry of nothing leaves
        // the colour.
        std::map<Entry, std::vector<uint8_t>> outputs{{{0, 0}, colour}};
        for (uint32_t r = 0; r < size.height; ++r) {
          for (uint32_t c = 0; c < size.width; ++c) {
            const ShadeEntry& entry = table[r * size.width + c];
            const std::pair<int, int> defined = DefinedEntry(spot, size.width, size.height, c, r);
            ASSERT_EQ(Entry(entry.brightness, entry.grey), defined) << "entry of " << c << "," << r;
            const std::vector<uint8_t> pixel = PixelBytes(*image, c, r);
            ASSERT_EQ(pixel, outputs.emplace(defined, pixel).first->second)
                << "pixel " << c << "," << r;
          }
        }
      }
    }
  }
}

TEST_F(HotspotRendererTest, ChangeDetection) {
  auto image = Varied(ShapeOf(12, 7));
  HotspotRenderer renderer(ShadingVariant::Plain, kWatched);
  const SpotValues first{.x = 10, .y = -20, .radius = 30, .intensity = 40, .transition = 1};
  ASSERT_EQ(Build(renderer, image.get(), first), 0);
  ASSERT_EQ(WatchedMemory::allocations, 1);
  ShadeEntry* table = WatchedMemory::Table();
  const size_t entries = 12 * 7;
  const std::vector<ShadeEntry> built(table, table + entries);
  const auto entryAt = [&](size_t i) { return Entry(table[i].brightness, table[i].grey); };
  // A mark no build makes, on the spot's centre pixel (7, 3), to see whether the table was
  // written again.
  const size_t centre = 3 * 12 + 7;
  const auto mark = [&] { table[centre] = {12345, 7}; };

  // Same values, same size (another image of it): nothing is rebuilt.
  mark();
  auto sameSize = Varied(ShapeOf(12, 7));
  EXPECT_EQ(Build(renderer, sameSize.get(), first), 0);
  EXPECT_EQ(entryAt(centre), Entry(12345, 7));

  // Any one of the eight values changed: rebuilt in the same table.
  struct Change {
    const char* name;
    void (*apply)(SpotValues&);
  };
  const Change changes[] = {
      {"x", [](SpotValues& s) { s.x += 1e-9; }},
      {"y", [](SpotValues& s) { s.y = 5; }},
      {"radius", [](SpotValues& s) { s.radius = 31; }},
      {"intensity", [](SpotValues& s) { s.intensity = -40; }},
      {"insideGrey", [](SpotValues& s) { s.insideGrey = 1; }},
      {"outsideGrey", [](SpotValues& s) { s.outsideGrey = 1; }},
      {"transition", [](SpotValues& s) { s.transition = 0; }},
      {"spare", [](SpotValues& s) { s.spare = 1; }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    SpotValues changed = first;
    change.apply(changed);
    mark();
    EXPECT_EQ(Build(renderer, image.get(), changed), 0);
    EXPECT_NE(entryAt(centre).second, 7);
    EXPECT_EQ(WatchedMemory::allocations, 1);
    ASSERT_EQ(Build(renderer, image.get(), first), 0);
  }

  // Only spare changed: the same table as before.
  mark();
  ASSERT_EQ(Build(renderer, image.get(),
                  {.x = 10, .y = -20, .radius = 30, .intensity = 40, .transition = 1, .spare = 99}),
            0);
  for (size_t i = 0; i < entries; ++i) {
    EXPECT_EQ(entryAt(i), Entry(built[i].brightness, built[i].grey)) << "entry " << i;
  }

  // Another size: the old table is freed and a new one of the new size made.
  WatchedMemory::events.clear();
  auto larger = Varied(ShapeOf(13, 7));
  EXPECT_EQ(Build(renderer, larger.get(), first), 0);
  EXPECT_EQ(WatchedMemory::events, std::vector<std::string>({"release", "allocate"}));
  EXPECT_GE(WatchedMemory::lastBytes, 91 * sizeof(ShadeEntry));
}

TEST_F(HotspotRendererTest, AnImageOfAnotherSizeIsLeftUntouched) {
  auto built = Varied(ShapeOf(8, 6));
  HotspotRenderer renderer(ShadingVariant::Lifted, kWatched);
  ASSERT_EQ(Build(renderer, built.get(), {.radius = 100, .intensity = 100, .outsideGrey = 1}), 0);
  for (const auto& [width, height] : {std::pair(9u, 6u), std::pair(8u, 5u), std::pair(6u, 8u)}) {
    auto other = Varied(ShapeOf(width, height));
    const std::vector<uint8_t> before = PictureBytes(*other);
    EXPECT_EQ(renderer.ApplyTable(other.get()), kNoFittingImage);
    EXPECT_EQ(PictureBytes(*other), before);
  }
  EXPECT_EQ(renderer.ApplyTable(nullptr), kNoFittingImage);
  EXPECT_EQ(renderer.ApplyTable(built.get()), 0);
}

TEST_F(HotspotRendererTest, EmptyImagesGetAnEmptyTable) {
  for (const auto& [width, height] : {std::pair(0u, 5u), std::pair(5u, 0u), std::pair(0u, 0u)}) {
    for (const ShadingVariant variant : {ShadingVariant::Plain, ShadingVariant::Lifted}) {
      auto image = MakeImage(ShapeOf(width, height));
      HotspotRenderer renderer(variant, kWatched);
      EXPECT_EQ(Build(renderer, image.get(), {.insideGrey = 1, .outsideGrey = 1}), 0);
      EXPECT_EQ(renderer.ApplyTable(image.get()), 0);
    }
  }
}

TEST_F(HotspotRendererTest, NoImageBuildsNothing) {
  HotspotRenderer renderer(ShadingVariant::Plain, kWatched);
  EXPECT_EQ(Build(renderer, nullptr, {}), kNoFittingImage);
  EXPECT_TRUE(WatchedMemory::events.empty());
}

TEST_F(HotspotRendererTest, AFailedAllocationLeavesNoTableAndIsRetried) {
  auto small = Varied(ShapeOf(6, 4));
  auto image = Varied(ShapeOf(8, 6));
  const std::vector<uint8_t> before = PictureBytes(*image);
  HotspotRenderer renderer(ShadingVariant::Plain, kWatched);
  const SpotValues spot{.radius = 100, .intensity = 50, .outsideGrey = 1};
  ASSERT_EQ(Build(renderer, small.get(), spot), 0);

  WatchedMemory::events.clear();
  WatchedMemory::failNext = true;
  EXPECT_EQ(Build(renderer, image.get(), spot), kTableNotAllocated);
  EXPECT_EQ(WatchedMemory::events, std::vector<std::string>({"release", "allocate"}));
  EXPECT_GE(WatchedMemory::lastBytes, 48 * sizeof(ShadeEntry));
  // Neither the new size nor the old one finds a table.
  EXPECT_EQ(renderer.ApplyTable(image.get()), kNoFittingImage);
  EXPECT_EQ(renderer.ApplyTable(small.get()), kNoFittingImage);
  EXPECT_EQ(PictureBytes(*image), before);

  // The same values again: the table is missing, so the allocation is tried again.
  EXPECT_EQ(Build(renderer, image.get(), spot), 0);
  EXPECT_EQ(renderer.ApplyTable(image.get()), 0);
  EXPECT_NE(PictureBytes(*image), before);
}

// An image that only tells its size: a table for it cannot be counted in memory.
class HugeImage : public host::HostObject<host::ImageBufferSlots> {
 public:
  uint32_t LUMOV_CALL GetWidth() override { return 0xFFFFFFFFu; }
  uint32_t LUMOV_CALL GetHeight() override { return 0xFFFFFFFFu; }
  int32_t LUMOV_CALL GetRowStride() override { return 0; }
  uint8_t* LUMOV_CALL GetPixels() override { return nullptr; }
  uint32_t LUMOV_CALL GetBitDepth() override { return 32; }
  int32_t LUMOV_CALL GetColorSpace() override { return 0; }
  int32_t LUMOV_CALL IsBottomUp() override { return 0; }
  int32_t LUMOV_CALL GetFieldMode() override { return 0; }
  int32_t LUMOV_CALL GetFieldDominance() override { return 0; }
  int32_t LUMOV_CALL GetFormat(const GUID*, IImageFormat**) override { return host::kUnsupported; }
  int32_t LUMOV_CALL CopyTo(IImageBuffer*, int32_t) override { return host::kUnsupported; }
  int32_t LUMOV_CALL Resample(double, double, int32_t, int32_t) override {
    return host::kUnsupported;
  }
  int32_t LUMOV_CALL Clear() override { return host::kUnsupported; }
};

TEST_F(HotspotRendererTest, ATableTooLargeToCountIsNeverAllocated) {
  auto huge = host::New<HugeImage>();
  HotspotRenderer renderer(ShadingVariant::Lifted, kWatched);
  EXPECT_EQ(Build(renderer, huge.get(), {}), kTableNotAllocated);
  EXPECT_TRUE(WatchedMemory::events.empty());
  EXPECT_EQ(renderer.ApplyTable(huge.get()), kNoFittingImage);
  EXPECT_EQ(huge->GetRefCount(), 1);
}

}  // namespace
}  // namespace lumov::test
