// The HotspotMove module as a host drives it: where the spot is on each frame of the clip, and
// the lifted shading.
#include <limits>

#include "support.h"

namespace lumov::test {
namespace {

enum Parameter {
  kDisplay = 0,
  kXStart = 1,
  kYStart = 2,
  kXEnd = 3,
  kYEnd = 4,
  kRadius = 5,
  kIntensity = 6,
  kInsideGrey = 7,
  kOutsideGrey = 8,
  kTransition = 9
};
enum Display { kStartPosition = 0, kEndPosition = 1, kMoveHotspot = 2 };

using Picture = std::vector<uint8_t>;

// A 64 x 32 picture under the default spot (radius 8 pixels, intensity 25, Transition): a move
// of a tenth of a pixel shows in the output.
class HotspotMoveTest : public testing::Test {
 protected:
  HotspotMoveTest() {
    auto image = MakeImage(ShapeOf(64, 32));
    Fill(*image,
         [](uint32_t x, uint32_t y, uint32_t b) { return 20 + (x * 7 + y * 13 + b * 29) % 200; });
    rig.SetInput(std::move(image));
  }

  Picture Render(int display, double xStart, double yStart, double xEnd, double yEnd,
                 int32_t frame) {
    rig.Set(kDisplay, display);
    rig.Set(kXStart, xStart);
    rig.Set(kYStart, yStart);
    rig.Set(kXEnd, xEnd);
    rig.Set(kYEnd, yEnd);
    rig.Position().Set(frame);
    rig.RenderFrame();
    return PictureBytes(*rig.Output());
  }
  // The picture with the spot held still at (x, y).
  Picture StillAt(double x, double y) { return Render(kStartPosition, x, y, -77, 66, 0); }
  Picture MovingAt(int32_t frame) { return Render(kMoveHotspot, -50, 0, 50, 0, frame); }

  EffectRig rig{"LumovHotspotMove"};
};

TEST_F(HotspotMoveTest, MovesFromStartToEndOverTheClip) {
  rig.Parameters().SetClipTiming(host::ClipTimingFor(11));
  // Frames outside the clip carry the spot on along the same line.
  const std::pair<int32_t, double> cases[] = {{0, -50}, {5, 0},    {10, 50}, {2, -30},
                                              {13, 80}, {15, 100}, {-3, -80}};
  for (const auto& [frame, x] : cases) {
    SCOPED_TRACE(testing::Message() << "frame " << frame);
    EXPECT_EQ(MovingAt(frame), StillAt(x, 0));
  }
  EXPECT_NE(MovingAt(0), MovingAt(1));
}

TEST_F(HotspotMoveTest, AFractionalFrameCountStopsShortOfTheEnd) {
  rig.Parameters().SetClipTiming(ClipTiming{201, 2, 2});  // (100.5 / 1) x (2 / 2): 100.5 frames
  const Picture last = MovingAt(99);
  EXPECT_EQ(last, StillAt(-50 + 100 * (99 / 99.5), 0));
  EXPECT_NE(last, StillAt(50, 0));
}

// Clips of at most one frame, timings that give no frame count (B or C of 0: no division by
// zero) and unknown display choices put the spot in the middle.
TEST_F(HotspotMoveTest, WithoutAClipLengthTheSpotSitsInTheMiddle) {
  const Picture middle = StillAt(0, 0);
  const ClipTiming timings[] = {host::ClipTimingFor(1),
                                host::ClipTimingFor(0),
                                ClipTiming{-11000, 25000, 1000},
                                ClipTiming{1000, 0, 40},
                                ClipTiming{1000, 25, 0},
                                ClipTiming{0, 0, 0},
                                ClipTiming{std::numeric_limits<int64_t>::min(), 0, 0},
                                ClipTiming{std::numeric_limits<int64_t>::max(), -1, 0}};
  for (const ClipTiming& timing : timings) {
    SCOPED_TRACE(testing::Message() << "A " << timing.a << " B " << timing.b << " C " << timing.c);
    rig.Parameters().SetClipTiming(timing);
    for (const int32_t frame : {0, 3, -1}) {
      EXPECT_EQ(Render(kMoveHotspot, -50, -40, 50, 40, frame), middle) << "frame " << frame;
    }
  }
  rig.Parameters().SetClipTiming(host::ClipTimingFor(11));
  EXPECT_EQ(Render(3, -50, -40, 50, 40, 4), middle);
  EXPECT_NE(Render(kMoveHotspot, -50, -40, 50, 40, 4), middle);
}

TEST_F(HotspotMoveTest, StartAndEndPositionIgnoreTheFrame) {
  rig.Parameters().SetClipTiming(host::ClipTimingFor(11));
  const Picture start = StillAt(-30, 20);
  const Picture end = Render(kEndPosition, 11, 12, -30, 20, 0);
  EXPECT_EQ(end, start);
  for (const int32_t frame : {0, 7, 10, 25, -2}) {
    SCOPED_TRACE(testing::Message() << "frame " << frame);
    EXPECT_EQ(Render(kStartPosition, -30, 20, 60, -60, frame), start);
    EXPECT_EQ(Render(kEndPosition, 60, -60, -30, 20, frame), start);
  }
}

TEST_F(HotspotMoveTest, EqualStartAndEndHoldTheSpotStill) {
  rig.Parameters().SetClipTiming(host::ClipTimingFor(11));
  const Picture still = StillAt(30, -20);
  for (const int32_t frame : {0, 1, 5, 10, 50, -4}) {
    EXPECT_EQ(Render(kMoveHotspot, 30, -20, 30, -20, frame), still) << "frame " << frame;
  }
}

// Lifted shading lights black too: 50 x 625 thousandths = 31; the fourth byte is never scaled.
TEST(HotspotMove, LightsABlackPicture) {
  EffectRig rig("LumovHotspotMove");
  rig.SetInput(MakeImage(ShapeOf(64, 32)));
  rig.Set(kTransition, 0);
  rig.RenderFrame();
  host::Image& output = *rig.Output();
  for (uint32_t y = 0; y < 32; ++y) {
    for (uint32_t x = 0; x < 64; ++x) {
      const int dx = int(x) - 32, dy = int(y) - 16;
      const uint8_t expected = dx * dx + dy * dy <= 64 ? 31 : 0;
      const uint8_t* pixel = output.Row(y) + x * 4;
      ASSERT_EQ(Picture(pixel, pixel + 4), Picture({expected, expected, expected, 0}))
          << x << "," << y;
    }
  }
}

TEST(HotspotMove, ProcessAfterAFrameWithoutInputDoesNothing) {
  EffectRig rig("LumovHotspotMove");
  EXPECT_EQ(rig.Begin(), kNoInputImage);
  EXPECT_EQ(rig.Process(), 0);
}

}  // namespace
}  // namespace lumov::test
