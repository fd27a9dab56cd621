// The Reverse effect as a host drives it: source frames read backwards through an attached frame
// source, the field correction of interlaced material, and every way a read can fail.
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "frame_source.h"
#include "support.h"

namespace lumov::test {
namespace {

using host::ClipFrameSource;
using host::Image;
using host::ImageShape;

constexpr const char* kModule = "LumovReverse";
constexpr uint8_t kMarker = 0xA5;
constexpr uint8_t kUntouched = 0xEE;

// Pixel x of picture row r of frame f holds the bytes (f, r, x, marker), so that every row of an
// output tells which frame and row it was copied from.
ComRef<Image> MakeFrame(int32_t frame, const ImageShape& shape) {
  auto image = MakeImage(shape);
  Fill(*image, [&](uint32_t x, uint32_t y, uint32_t b) {
    const uint32_t bytes[] = {uint32_t(frame), y, x, kMarker};
    return bytes[b % 4];
  });
  return image;
}

ImageShape Shape(uint32_t width, uint32_t height, int32_t fieldMode = 0,
                 int32_t fieldDominance = 0) {
  ImageShape shape;
  shape.width = width;
  shape.height = height;
  shape.fieldMode = fieldMode;
  shape.fieldDominance = fieldDominance;
  return shape;
}

struct RowOrigin {
  int32_t frame;
  int32_t row;
  bool operator==(const RowOrigin&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RowOrigin& origin) {
  return out << "{" << origin.frame << ", " << origin.row << "}";
}

// The frame row that the first `width` pixels of a 32-bit row are a copy of; {-1, -1} if none.
RowOrigin OriginOf(const uint8_t* row, uint32_t width) {
  const RowOrigin origin{row[0], row[1]};
  for (uint32_t x = 0; x < width; ++x) {
    const uint8_t* pixel = row + 4 * x;
    if (pixel[0] != origin.frame || pixel[1] != origin.row || pixel[2] != uint8_t(x) ||
        pixel[3] != kMarker)
      return {-1, -1};
  }
  return origin;
}

std::vector<RowOrigin> Origins(const Image& image) {
  std::vector<RowOrigin> origins;
  for (uint32_t y = 0; y < image.Height(); ++y)
    origins.push_back(OriginOf(image.Row(y), image.Width()));
  return origins;
}

std::vector<RowOrigin> WholeFrame(int32_t frame, int32_t height) {
  std::vector<RowOrigin> origins;
  for (int32_t y = 0; y < height; ++y) origins.push_back({frame, y});
  return origins;
}

// Passes reads on to the clip and records their offsets; a read at `failingOffset` fails with
// `failure` instead.
class RecordingSource : public host::HostObject<IFrameSource> {
 public:
  explicit RecordingSource(ClipFrameSource& clip) : clip(clip) {}

  int32_t LUMOV_CALL ReadFrame(int32_t offset, int32_t* v1, IImageFormat* format, int32_t* v2,
                               int32_t* v3, int32_t* v4) override {
    offsets.push_back(offset);
    if (failingOffset == offset) return failure;
    return clip.ReadFrame(offset, v1, format, v2, v3, v4);
  }

  std::vector<int32_t> offsets;
  std::optional<int32_t> failingOffset;
  int32_t failure = int32_t(0x80004005);

 private:
  ClipFrameSource& clip;
};

// One Reverse object with a clip in memory, driven as a host drives it. Every image the factory
// makes for a read is counted; each must be released by the end of the Process that read it.
class ReverseHost {
 public:
  // A clip of `count` frames of `shape`, and a timing record of `timingFrames` frames.
  ReverseHost(int32_t count, const ImageShape& shape, int32_t timingFrames) : inputSpec(shape) {
    ClipFrameSource::Clip frames;
    for (int32_t f = 0; f < count; ++f) frames.push_back(MakeFrame(f, shape));
    clip = host::New<ClipFrameSource>(std::move(frames), rig.Position());
    reads = host::New<RecordingSource>(*clip);
    rig.Parameters().SetClipTiming(host::ClipTimingFor(timingFrames));
    rig.Images().SetFrameProvider(
        [this, provide = clip->Provider()](const host::FrameValues& values,
                                           const ImageShape& format) -> ComRef<Image> {
          if (failCreation) return {};
          auto image = provide(values, format);
          if (image) handedOut.push_back(image.get());
          return image;
        });
  }

  ~ReverseHost() {
    EXPECT_EQ(reads->GetRefCount(), 1) << "the effect took or dropped a frame source reference";
    EXPECT_EQ(clip->GetRefCount(), 1);
  }

  // Hands the frame source over through IFrameAccess, as the host does after Initialize.
  void Attach() {
    ComRef<IFrameAccess> access;
    ASSERT_EQ(rig.Effect()->QueryInterface(&IFrameAccess::kIid, access.PutVoid()), 0);
    int32_t a = 7;
    int32_t b = 7;
    EXPECT_EQ(access->AttachFrameSource(&a, &b, reads.get()), 0);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
  }

  // Renders output frame e from an input that is source frame e in `inputSpec`.
  void Render(int32_t e) {
    rig.Position().Set(e);
    rig.SetInput(MakeFrame(e, inputSpec));
    reads->offsets.clear();
    handedOut.clear();
    rig.RenderFrame();
    ExpectFetchedImagesReleased();
  }

  // The frame source keeps one reference to each image it handed out.
  void ExpectFetchedImagesReleased() {
    for (Image* image : handedOut)
      EXPECT_EQ(image->GetRefCount(), 1) << "a fetched frame outlived Process";
  }

  std::vector<std::string> Log() const { return logs.Messages(kModule); }
  size_t LogCount(const std::string& line) const {
    const auto lines = Log();
    return size_t(std::count(lines.begin(), lines.end(), line));
  }
  // The `count` lines from `header` on; empty when the header is not there.
  std::vector<std::string> LogBlock(const std::string& header, size_t count) const {
    const auto lines = Log();
    const auto start = std::find(lines.begin(), lines.end(), header);
    if (start == lines.end()) return {};
    return {start, start + std::min<ptrdiff_t>(count, lines.end() - start)};
  }

  LogDir logs;
  EffectRig rig{kModule};
  ComRef<ClipFrameSource> clip;
  ComRef<RecordingSource> reads;
  ImageShape inputSpec;
  bool failCreation = false;
  // The images made for the reads of the last frame, alive until the next read.
  std::vector<Image*> handedOut;
};

TEST(Reverse, DeclaresNoParameters) {
  ReverseHost host(1, Shape(2, 2), 1);
  EXPECT_TRUE(host.rig.Parameters().Parameters().empty());
  EXPECT_EQ(host.LogCount("1: RenderReverse::AllocateParameterSet"), 1u);
}

TEST(Reverse, ProgressiveOutputShowsTheSourceFramesFromTheEnd) {
  const struct {
    int32_t e;
    int32_t offset;
    int32_t sourceFrame;
  } cases[] = {{0, 9, 9}, {4, 1, 5}, {5, -1, 4}, {9, -9, 0}};
  ReverseHost host(10, Shape(3, 4), 10);
  host.Attach();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "output frame " << c.e);
    host.Render(c.e);
    EXPECT_EQ(host.reads->offsets, std::vector<int32_t>{c.offset});
    EXPECT_EQ(host.handedOut.size(), 1u);
    EXPECT_EQ(Origins(*host.rig.Output()), WholeFrame(c.sourceFrame, 4));
  }
}

TEST(Reverse, MiddleFrameOfAnOddClipIsTheCurrentImage) {
  ReverseHost host(9, Shape(3, 4), 9);
  host.Attach();
  for (int pass = 0; pass < 2; ++pass) {
    host.Render(4);
    EXPECT_TRUE(host.reads->offsets.empty());
    EXPECT_TRUE(host.handedOut.empty());
    EXPECT_EQ(Origins(*host.rig.Output()), WholeFrame(4, 4));
  }
  EXPECT_EQ(host.LogCount("INFO GetFrame: ReadFrameNr = 0, return current frame ptr (Nr of "
                          "Frames=9, Current Frame=4)"),
            2u);
  // The first Process had its one chance to log a fetched frame and fetched none.
  host.Render(0);
  EXPECT_EQ(host.reads->offsets, std::vector<int32_t>{8});
  EXPECT_EQ(host.LogCount("1: RenderReverse::Process:GetFrame Image Data:"), 0u);
}

TEST(Reverse, FirstFrameLogsTheImageDataOfSourceAndFetchedFrameOnce) {
  const struct {
    int32_t fieldMode;
    std::vector<std::string> beginLines;
    std::vector<std::string> fetchLines;
  } cases[] = {
      {0,
       {"1: RenderReverse::ProcessBegin   Image Data:", "  Width          = 3",
        "  Height         = 4", "  BitDepth       = 32", "  ColorSpace     = 0",
        "  FieldMode      = 0 (Progressive=0, Interlaced=1)", "  Nr of Frames   = 10"},
       {"1: RenderReverse::Process:GetFrame Image Data:", "   Width          = 3",
        "   Height         = 4", "   BitDepth       = 32", "   ColorSpace     = 0",
        "   FieldMode      = 0 (Progressive=0, Interlaced=1)", "   Nr of Frames   = 10"}},
      {1,
       {"1: RenderReverse::ProcessBegin   Image Data:", "  Width          = 3",
        "  Height         = 4", "  BitDepth       = 32", "  ColorSpace     = 0",
        "  FieldMode      = 1 (Progressive=0, Interlaced=1)",
        "  FieldDominance = 1 (UpperFieldFirst=0, LowerFieldFirst=1)", "  Nr of Frames   = 10"},
       {"1: RenderReverse::Process:GetFrame Image Data:", "   Width          = 3",
        "   Height         = 4", "   BitDepth       = 32", "   ColorSpace     = 0",
        "   FieldMode      = 1 (Progressive=0, Interlaced=1)",
        "   FieldDominance = 1 (UpperFieldFirst=0, LowerFieldFirst=1)", "   Nr of Frames   = 10"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "field mode " << c.fieldMode);
    ReverseHost host(10, Shape(3, 4, c.fieldMode, 1), 10);
    host.Attach();
    host.Render(1);
    host.Render(2);
    EXPECT_EQ(host.LogBlock(c.beginLines.front(), c.beginLines.size()), c.beginLines);
    EXPECT_EQ(host.LogBlock(c.fetchLines.front(), c.fetchLines.size()), c.fetchLines);
    EXPECT_EQ(host.LogCount(c.beginLines.front()), 1u);
    EXPECT_EQ(host.LogCount(c.fetchLines.front()), 1u);
  }
}

TEST(Reverse, InterlacedOutputTakesItsFirstFieldFromTheFrameThatPlaysBefore) {
  // N = 10: output frame e shows source frame 9 - e; its neighbour is source frame 10 - e.
  const struct {
    const char* name;
    int32_t dominance;
    uint32_t height;
    int32_t e;
    bool bottomUp;
    std::optional<int32_t> failingOffset;
    std::vector<int32_t> offsets;
    std::vector<RowOrigin> rows;
    const char* logLine;
  } cases[] = {
      {"upper field first, neighbour read",
       0,
       6,
       3,
       false,
       {},
       {3, 4},
       {{7, 0}, {6, 1}, {7, 2}, {6, 3}, {7, 4}, {6, 5}},
       nullptr},
      {"lower field first, neighbour read",
       1,
       6,
       3,
       false,
       {},
       {3, 4},
       {{6, 0}, {7, 1}, {6, 2}, {7, 3}, {6, 4}, {7, 5}},
       nullptr},
      {"bottom-up storage",
       0,
       6,
       3,
       true,
       {},
       {3, 4},
       {{7, 0}, {6, 1}, {7, 2}, {6, 3}, {7, 4}, {6, 5}},
       nullptr},
      {"upper field first, first output frame",
       0,
       6,
       0,
       false,
       {},
       {9},
       {{9, 1}, {9, 1}, {9, 3}, {9, 3}, {9, 5}, {9, 5}},
       nullptr},
      {"lower field first, first output frame",
       1,
       6,
       0,
       false,
       {},
       {9},
       {{9, 0}, {9, 0}, {9, 2}, {9, 2}, {9, 4}, {9, 4}},
       nullptr},
      {"upper field first, neighbour read fails",
       0,
       6,
       3,
       false,
       4,
       {3, 4},
       {{6, 1}, {6, 1}, {6, 3}, {6, 3}, {6, 5}, {6, 5}},
       "1: RenderReverse::Process:GetFrame: ERROR (80004005H) getting frame 4 of 10, Current "
       "frame=3"},
      {"lower field first, neighbour read fails",
       1,
       6,
       3,
       false,
       4,
       {3, 4},
       {{6, 0}, {6, 0}, {6, 2}, {6, 2}, {6, 4}, {6, 4}},
       "1: RenderReverse::Process:GetFrame: ERROR (80004005H) getting frame 4 of 10, Current "
       "frame=3"},
      {"height 5, neighbour read",
       0,
       5,
       3,
       false,
       {},
       {3, 4},
       {{7, 0}, {6, 1}, {7, 2}, {6, 3}, {6, 4}},
       nullptr},
      {"height 5, first output frame",
       0,
       5,
       0,
       false,
       {},
       {9},
       {{9, 1}, {9, 1}, {9, 3}, {9, 3}, {9, 4}},
       nullptr},
      {"height 5, lower field first, first output frame",
       1,
       5,
       0,
       false,
       {},
       {9},
       {{9, 0}, {9, 0}, {9, 2}, {9, 2}, {9, 4}},
       nullptr},
      {"neighbour at offset 0 is the current image",
       0,
       6,
       5,
       false,
       {},
       {-1},
       {{5, 0}, {4, 1}, {5, 2}, {4, 3}, {5, 4}, {4, 5}},
       "INFO GetFrame: ReadFrameNr = 0, return current frame ptr (Nr of Frames=10, Current "
       "Frame=5)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImageShape shape = Shape(3, c.height, 1, c.dominance);
    shape.bottomUp = c.bottomUp;
    shape.negativeStride = c.bottomUp;
    ReverseHost host(10, shape, 10);
    host.Attach();
    host.reads->failingOffset = c.failingOffset;
    host.Render(c.e);
    EXPECT_EQ(host.reads->offsets, c.offsets);
    EXPECT_EQ(Origins(*host.rig.Output()), c.rows);
    if (c.logLine != nullptr) {
      EXPECT_EQ(host.LogCount(c.logLine), 1u);
    }
  }
}

TEST(Reverse, FetchedFrameOfAnotherSizeIsResampledAndKeepsItsFields) {
  // Output frame 3 of 10 shows source frame 6, stored at another size than the current frame.
  const struct {
    const char* name;
    int32_t fieldMode;
    uint32_t storedWidth;
    uint32_t storedHeight;
    uint32_t fetchedWidth;  // after the effect is done with it
    uint32_t fetchedHeight;
    int32_t shownFrame;
  } cases[] = {
      {"progressive, grown", 0, 2, 3, 4, 9, 6},
      {"progressive, only taller", 0, 4, 3, 4, 9, 6},
      {"interlaced, grown", 1, 2, 3, 4, 9, 6},
      {"interlaced, shrunk", 1, 8, 18, 4, 9, 6},
      // No scale factor exists for an empty frame: it stays as it is and copies nothing.
      {"interlaced, empty", 1, 0, 0, 0, 0, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReverseHost host(10, Shape(c.storedWidth, c.storedHeight, c.fieldMode), 10);
    host.inputSpec = Shape(4, 9, c.fieldMode);
    host.Attach();
    host.Render(3);
    EXPECT_EQ(host.reads->offsets, std::vector<int32_t>{3}) << "no neighbour for a resized frame";
    ASSERT_EQ(host.handedOut.size(), 1u);
    EXPECT_EQ(host.handedOut[0]->Width(), c.fetchedWidth);
    EXPECT_EQ(host.handedOut[0]->Height(), c.fetchedHeight);
    // Resampling mixes rows and columns, but every pixel keeps its frame and marker bytes.
    const Image& output = *host.rig.Output();
    for (uint32_t y = 0; y < output.Height(); ++y)
      for (uint32_t x = 0; x < output.Width(); ++x) {
        EXPECT_EQ(output.Row(y)[4 * x], c.shownFrame) << x << "," << y;
        EXPECT_EQ(output.Row(y)[4 * x + 3], kMarker) << x << "," << y;
      }
    EXPECT_EQ(host.LogCount("1: RenderReverse::Process  WARNING: Interlaced Image resized, "
                            "nothing change"),
              c.fieldMode == 1 ? 1u : 0u);
  }
}

TEST(Reverse, UnreadableFrameLeavesTheCurrentFrame) {
  // Interlaced output frame 2 of 10 wants source frame 7 at offset 5; without it nothing is
  // corrected either.
  enum class Fault { ReadFails, OutsideClip, NoImage, NoSource, SourceForgotten };
  const struct {
    const char* name;
    Fault fault;
    std::vector<int32_t> offsets;
    const char* logLine;
  } cases[] = {
      {"ReadFrame fails",
       Fault::ReadFails,
       {5},
       "1: RenderReverse::Process:GetFrame: ERROR (80004005H) getting frame 5 of 10, Current "
       "frame=2"},
      {"frame outside the clip",
       Fault::OutsideClip,
       {5},
       "1: RenderReverse::Process:GetFrame: ERROR (8001H) getting frame 5 of 10, Current "
       "frame=2"},
      {"CreateImageBufferInstance gives no image",
       Fault::NoImage,
       {5},
       "1: RenderReverse::Process:GetFrame: ERROR calling CreateImageBufferInstance; frame 5 of "
       "10, Current frame=2"},
      {"no frame source attached",
       Fault::NoSource,
       {},
       "1: RenderReverse::Process:GetFrame: ERROR no frame source attached; Nr of Frames=10, "
       "Current frame=2"},
      {"frame source forgotten by Initialize",
       Fault::SourceForgotten,
       {},
       "2: RenderReverse::Process:GetFrame: ERROR no frame source attached; Nr of Frames=10, "
       "Current frame=2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReverseHost host(c.fault == Fault::OutsideClip ? 7 : 10, Shape(3, 4, 1, 0), 10);
    if (c.fault != Fault::NoSource) host.Attach();
    if (c.fault == Fault::SourceForgotten) host.rig.Effect()->Initialize();
    if (c.fault == Fault::ReadFails) host.reads->failingOffset = 5;
    host.failCreation = c.fault == Fault::NoImage;
    host.Render(2);
    EXPECT_EQ(host.reads->offsets, c.offsets);
    EXPECT_EQ(Origins(*host.rig.Output()), WholeFrame(2, 4));
    EXPECT_EQ(host.LogCount(c.logLine), 1u);
    // The first Process had its one chance to log the image data of a fetched frame.
    host.reads->failingOffset.reset();
    host.failCreation = false;
    host.Render(3);
    EXPECT_EQ(host.LogCount(std::to_string(c.fault == Fault::SourceForgotten ? 2 : 1) +
                            ": RenderReverse::Process:GetFrame Image Data:"),
              0u);
  }
}

TEST(Reverse, FrameCountIsTheRoundedClipLength) {
  constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
  const struct {
    const char* name;
    ClipTiming timing;
    int32_t frames;
  } cases[] = {
      {"10 s at 25 frames/s", {250000, 25000, 1000}, 250},
      {"249.5 rounds up", {4990, 20, 20}, 250},
      {"249.4999 rounds down", {2494999, 10000, 10000}, 249},
      {"largest 32-bit length", {2147483647, 1, 1}, 2147483647},
      {"B = 0", {100, 0, 1}, 0},
      {"C = 0", {100, 1, 0}, 0},
      {"all 0", {0, 0, 0}, 0},
      {"beyond 32 bits", {2147483648, 1, 1}, 0},
      {"far beyond 32 bits", {kMax64, 1, 1}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReverseHost host(3, Shape(2, 2), 0);
    host.rig.Parameters().SetClipTiming(c.timing);
    host.Attach();
    host.Render(0);
    EXPECT_EQ(host.LogCount("  Nr of Frames   = " + std::to_string(c.frames)), 1u);
    EXPECT_EQ(host.reads->offsets, std::vector<int32_t>{c.frames - 1});
  }
}

TEST(Reverse, FarCurrentFramesNeedNoOffsetBeyond32Bits) {
  constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
  const struct {
    const char* name;
    int32_t frames;
    int32_t e;
    std::vector<int32_t> offsets;
    const char* logLine;
  } cases[] = {
      {"offset out of reach",
       10,
       kMax32,
       {},
       "1: RenderReverse::Process:GetFrame: ERROR frame offset out of range; Nr of Frames=10, "
       "Current frame=2147483647"},
      {"offset just in reach",
       kMax32,
       kMax32,
       {std::numeric_limits<int32_t>::min()},
       "1: RenderReverse::Process:GetFrame: ERROR (8001H) getting frame -2147483648 of "
       "2147483647, Current frame=2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReverseHost host(3, Shape(3, 4, 1, 0), c.frames);
    host.Attach();
    host.Render(c.e);
    EXPECT_EQ(host.reads->offsets, c.offsets);
    EXPECT_EQ(Origins(*host.rig.Output()), WholeFrame(c.e & 0xFF, 4));
    EXPECT_EQ(host.LogCount(c.logLine), 1u);
  }
}

TEST(Reverse, WithoutSourceImageProcessTouchesNothing) {
  ReverseHost host(10, Shape(3, 4), 10);
  host.Attach();
  auto output = MakeImage(Shape(3, 4));
  Fill(*output, [](uint32_t, uint32_t, uint32_t) { return kUntouched; });
  Image* target = output.get();
  host.rig.Instance().Output().Set(std::move(output));
  EXPECT_EQ(host.rig.Process(), 0);
  EXPECT_TRUE(host.reads->offsets.empty());
  EXPECT_TRUE(host.handedOut.empty());
  for (uint32_t y = 0; y < 4; ++y)
    for (size_t i = 0; i < target->RowBytes(); ++i) EXPECT_EQ(target->Row(y)[i], kUntouched);
}

TEST(Reverse, FieldRowsStayInsideOutputsOfOtherGeometry) {
  // A host that calls Process without letting PrepareOutput shape the output: interlaced output
  // frame 0 of 10 shows source frame 9 (3 x 4) and moves its rows 1 and 3 up by one.
  const struct {
    uint32_t width;
    uint32_t height;
    std::vector<RowOrigin> rows;  // of the rows that both images have
  } outputs[] = {
      {3, 8, {{9, 1}, {9, 1}, {9, 3}, {9, 3}}},
      {6, 4, {{9, 1}, {9, 1}, {9, 3}, {9, 3}}},
      {2, 4, {{9, 1}, {9, 1}, {9, 3}, {9, 3}}},
      {3, 1, {{9, 0}}},
  };
  for (const auto& size : outputs) {
    SCOPED_TRACE(testing::Message() << "output " << size.width << " x " << size.height);
    ReverseHost host(10, Shape(3, 4, 1, 0), 10);
    host.Attach();
    host.rig.SetInput(MakeFrame(0, host.inputSpec));
    auto output = MakeImage(Shape(size.width, size.height, 1, 0));
    Fill(*output, [](uint32_t, uint32_t, uint32_t) { return kUntouched; });
    Image* target = output.get();
    host.rig.Instance().Output().Set(std::move(output));
    ASSERT_EQ(host.rig.Process(), 0);
    host.ExpectFetchedImagesReleased();

    const uint32_t commonWidth = std::min(3u, size.width);
    for (uint32_t y = 0; y < size.height; ++y) {
      const bool common = y < size.rows.size();
      if (common) {
        EXPECT_EQ(OriginOf(target->Row(y), commonWidth), size.rows[y]) << "row " << y;
      }
      const size_t copied = common ? 4 * commonWidth : 0;
      for (size_t i = copied; i < target->RowBytes(); ++i)
        EXPECT_EQ(target->Row(y)[i], kUntouched) << "row " << y << ", byte " << i;
    }
  }
}

TEST(Reverse, FieldRowsOfANarrowerPixelFormatStayInsideIt) {
  // The fetched frames hold 24-bit pixels at the current frame's size: they are not resized, the
  // host cannot copy them into the 32-bit output, and only their 9-byte rows are moved in.
  ImageShape stored = Shape(3, 4, 1, 0);
  stored.bitDepth = 24;
  ReverseHost host(10, stored, 10);
  host.inputSpec = Shape(3, 4, 1, 0);
  host.Attach();
  host.Render(0);
  const Image& output = *host.rig.Output();
  const Image& frame = *dynamic_cast<const host::MemoryClip&>(host.clip->Store()).Frames()[9];
  const auto input = MakeFrame(0, host.inputSpec);
  const uint32_t sourceRows[] = {1, 1, 3, 3};
  for (uint32_t y = 0; y < 4; ++y) {
    SCOPED_TRACE(testing::Message() << "row " << y);
    if (y % 2 == 0) {
      EXPECT_EQ(std::memcmp(output.Row(y), frame.Row(sourceRows[y]), 9), 0);
      EXPECT_EQ(std::memcmp(output.Row(y) + 9, input->Row(y) + 9, 3), 0);
    } else {
      EXPECT_EQ(std::memcmp(output.Row(y), input->Row(y), 12), 0);
    }
  }
}

}  // namespace
}  // namespace lumov::test
