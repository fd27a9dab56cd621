// Mirror through the built module: which source pixel lands where, for every mode, storage order
// and pixel size, and what happens to the source image.
#include <algorithm>
#include <string>
#include <vector>

#include "support.h"

namespace lumov::test {
namespace {

constexpr const char* kModule = "LumovMirror";

// How a test picture is stored.
struct Storage {
  const char* name;
  uint32_t bitDepth;
  bool bottomUp;
  uint32_t rowPadding = 0;
  bool negativeStride = false;
};

const Storage kStorages[] = {
    {"24-bit top-down", 24, false},
    {"32-bit top-down", 32, false},
    {"24-bit bottom-up, padded rows", 24, true, 5},
    {"32-bit bottom-up", 32, true},
    {"32-bit top-down, negative stride, padded rows", 32, false, 4, true},
    {"16-bit bottom-up", 16, true},
    {"48-bit top-down", 48, false},
};

host::ImageShape SpecOf(const Storage& storage, uint32_t width, uint32_t height,
                        int32_t fieldMode = 0) {
  host::ImageShape shape;
  shape.width = width;
  shape.height = height;
  shape.bitDepth = storage.bitDepth;
  shape.bottomUp = storage.bottomUp;
  shape.rowPadding = storage.rowPadding;
  shape.negativeStride = storage.negativeStride;
  shape.fieldMode = fieldMode;
  return shape;
}

// Every pixel tells where it came from: byte 0 its column, byte 1 its row, the others a tag.
uint8_t PositionByte(uint32_t x, uint32_t y, uint32_t byte) {
  return uint8_t(byte == 0 ? x : byte == 1 ? y : 0xA0 + byte);
}

ComRef<host::Image> PositionPicture(const host::ImageShape& shape) {
  auto image = MakeImage(shape);
  Fill(*image, PositionByte);
  return image;
}

// The source position each pixel of `image` holds, as "column:row" per pixel and one string per
// row; a pixel that is no source pixel shows as "?".
std::vector<std::string> Positions(const host::Image& image) {
  const uint32_t bytes = image.Shape().BytesPerPixel();
  std::vector<std::string> rows;
  for (uint32_t y = 0; y < image.Height(); ++y) {
    std::string row;
    for (uint32_t x = 0; x < image.Width(); ++x) {
      const uint8_t* pixel = image.Row(y) + x * bytes;
      bool tagged = true;
      for (uint32_t b = 2; b < bytes; ++b) tagged = tagged && pixel[b] == PositionByte(0, 0, b);
      row += (x > 0 ? " " : "");
      row += tagged ? std::to_string(pixel[0]) + ":" + std::to_string(pixel[1]) : "?";
    }
    rows.push_back(row);
  }
  return rows;
}

// The same strings for a picture whose pixel (x, y) came from (columns[x], rows[y]).
std::vector<std::string> Expected(const std::vector<uint32_t>& columns,
                                  const std::vector<uint32_t>& rows) {
  std::vector<std::string> result;
  for (uint32_t row : rows) {
    std::string text;
    for (size_t x = 0; x < columns.size(); ++x)
      text += (x > 0 ? " " : "") + std::to_string(columns[x]) + ":" + std::to_string(row);
    result.push_back(text);
  }
  return result;
}

std::vector<uint32_t> Identity(uint32_t size) {
  std::vector<uint32_t> result(size);
  for (uint32_t i = 0; i < size; ++i) result[i] = i;
  return result;
}

// Every byte of the image's storage, padding included.
std::vector<uint8_t> StoredBytes(const host::Image& image) {
  std::vector<uint8_t> bytes;
  const size_t stored = image.RowBytes() + image.Shape().rowPadding;
  for (uint32_t y = 0; y < image.Height(); ++y)
    bytes.insert(bytes.end(), image.Row(y), image.Row(y) + stored);
  return bytes;
}

void ExpectPaddingClear(const host::Image& image) {
  for (uint32_t y = 0; y < image.Height(); ++y)
    for (uint32_t i = 0; i < image.Shape().rowPadding; ++i)
      ASSERT_EQ(image.Row(y)[image.RowBytes() + i], 0) << "padding of row " << y;
}

void Render(EffectRig& rig, int32_t vertical, int32_t horizontal) {
  rig.Set(0, vertical);
  rig.Set(1, horizontal);
  rig.RenderFrame();
}

struct ColumnCase {
  int32_t vertical;
  uint32_t width;
  std::vector<uint32_t> columns;
};

TEST(Mirror, ColumnsOfEveryVerticalTypeWithTheSourceUntouched) {
  const ColumnCase cases[] = {
      {1, 6, {0, 1, 2, 2, 1, 0}},
      {2, 6, {5, 4, 3, 3, 4, 5}},
      {3, 6, {5, 4, 3, 2, 1, 0}},
      {1, 5, {0, 1, 2, 1, 0}},
      {2, 5, {4, 3, 2, 3, 4}},
      {3, 5, {4, 3, 2, 1, 0}},
      {0, 5, {0, 1, 2, 3, 4}},
      {4, 6, Identity(6)},
      {-1, 5, Identity(5)},
      {1, 1, {0}},
      {2, 1, {0}},
      {3, 2, {1, 0}},
  };
  const uint32_t height = 3;
  for (const Storage& storage : kStorages) {
    for (int32_t fieldMode : {0, 1}) {
      for (const ColumnCase& test : cases) {
        SCOPED_TRACE(std::string(storage.name) + ", field mode " + std::to_string(fieldMode) +
                     ", vertical type " + std::to_string(test.vertical) + ", width " +
                     std::to_string(test.width));
        EffectRig rig(kModule);
        rig.SetInput(PositionPicture(SpecOf(storage, test.width, height, fieldMode)));
        const std::vector<uint8_t> source = StoredBytes(*rig.Input());
        Render(rig, test.vertical, 0);
        EXPECT_EQ(Positions(*rig.Output()), Expected(test.columns, Identity(height)));
        ExpectPaddingClear(*rig.Output());
        EXPECT_EQ(StoredBytes(*rig.Input()), source) << "the source changed";
      }
    }
  }
}

struct RowCase {
  int32_t horizontal;
  uint32_t height;
  int32_t fieldMode;
  std::vector<uint32_t> rows;
};

TEST(Mirror, RowsOfEveryHorizontalTypeProgressiveAndInterlacedWithTheSourceUntouched) {
  const RowCase cases[] = {
      {1, 6, 0, {0, 1, 2, 2, 1, 0}},
      {2, 6, 0, {5, 4, 3, 3, 4, 5}},
      {3, 6, 0, {5, 4, 3, 2, 1, 0}},
      {1, 6, 1, {0, 1, 2, 3, 2, 1}},
      {2, 6, 1, {5, 5, 4, 3, 4, 5}},
      {3, 6, 1, {5, 5, 4, 3, 2, 1}},
      {1, 5, 0, {0, 1, 2, 1, 0}},
      {2, 5, 0, {4, 3, 2, 3, 4}},
      {3, 5, 0, {4, 3, 2, 1, 0}},
      {1, 5, 1, {0, 1, 2, 3, 1}},
      {2, 5, 1, {4, 4, 3, 2, 4}},
      {3, 5, 1, {4, 4, 3, 2, 1}},
      // Any field mode other than 1 is progressive.
      {2, 6, 2, {5, 4, 3, 3, 4, 5}},
      {0, 6, 1, Identity(6)},
      {5, 6, 1, Identity(6)},
      // Row 0 repeats row 1 when the pass ends there.
      {1, 2, 0, {0, 0}},
      {3, 2, 1, {1, 1}},
      {2, 2, 1, {1, 1}},
      {1, 2, 1, {0, 1}},
      // Height 1, interlaced: the one step copies nothing and row 0 keeps the copy.
      {2, 1, 1, {0}},
      {3, 1, 1, {0}},
      {3, 1, 0, {0}},
  };
  const uint32_t width = 3;
  for (const Storage& storage : kStorages) {
    for (const RowCase& test : cases) {
      SCOPED_TRACE(std::string(storage.name) + ", field mode " + std::to_string(test.fieldMode) +
                   ", horizontal type " + std::to_string(test.horizontal) + ", height " +
                   std::to_string(test.height));
      EffectRig rig(kModule);
      rig.SetInput(PositionPicture(SpecOf(storage, width, test.height, test.fieldMode)));
      const std::vector<uint8_t> source = StoredBytes(*rig.Input());
      Render(rig, 0, test.horizontal);
      EXPECT_EQ(Positions(*rig.Output()), Expected(Identity(width), test.rows));
      ExpectPaddingClear(*rig.Output());
      EXPECT_EQ(StoredBytes(*rig.Input()), source) << "the source changed";
    }
  }
}

// Where a half mode takes pixel i of a line of `size` from: the kept half folds onto the other.
uint32_t Fold(int32_t choice, uint32_t i, uint32_t size) {
  const uint32_t mirrored = size - 1 - i;
  return choice == 1 ? std::min(i, mirrored) : std::max(i, mirrored);
}

TEST(Mirror, TwoHalfModesFillEveryQuarterFromOneAndLeaveTheSourceColumnMirrored) {
  const Storage storages[] = {kStorages[1], kStorages[2]};
  for (const Storage& storage : storages) {
    for (uint32_t size : {6u, 5u}) {
      for (int32_t vertical : {1, 2}) {
        for (int32_t horizontal : {1, 2}) {
          SCOPED_TRACE(std::string(storage.name) + ", size " + std::to_string(size) + ", types " +
                       std::to_string(vertical) + " and " + std::to_string(horizontal));
          std::vector<uint32_t> columns, rows;
          for (uint32_t i = 0; i < size; ++i) {
            columns.push_back(Fold(vertical, i, size));
            rows.push_back(Fold(horizontal, i, size));
          }
          EffectRig rig(kModule);
          rig.SetInput(PositionPicture(SpecOf(storage, size, size)));
          Render(rig, vertical, horizontal);
          EXPECT_EQ(Positions(*rig.Output()), Expected(columns, rows));
          EXPECT_EQ(Positions(*rig.Input()), Expected(columns, Identity(size)));
          ExpectPaddingClear(*rig.Output());
          ExpectPaddingClear(*rig.Input());
        }
      }
    }
  }
}

TEST(Mirror, CompleteFrameInBothTurnsAProgressivePictureHalfRound) {
  for (const Storage& storage : kStorages) {
    SCOPED_TRACE(storage.name);
    const uint32_t width = 7, height = 4;
    std::vector<uint32_t> columns, rows;
    for (uint32_t x = 0; x < width; ++x) columns.push_back(width - 1 - x);
    for (uint32_t y = 0; y < height; ++y) rows.push_back(height - 1 - y);
    EffectRig rig(kModule);
    rig.SetInput(PositionPicture(SpecOf(storage, width, height)));
    Render(rig, 3, 3);
    EXPECT_EQ(Positions(*rig.Output()), Expected(columns, rows));
    EXPECT_EQ(Positions(*rig.Input()), Expected(columns, Identity(height)));
  }
}

TEST(Mirror, PixelsNarrowerThanAByteAreNeverMoved) {
  for (int32_t fieldMode : {0, 1}) {
    for (int32_t vertical : {0, 1, 2, 3}) {
      for (int32_t horizontal : {0, 1, 2, 3}) {
        SCOPED_TRACE("field mode " + std::to_string(fieldMode) + ", types " +
                     std::to_string(vertical) + " and " + std::to_string(horizontal));
        host::ImageShape shape;
        shape.width = 6;
        shape.height = 4;
        shape.bitDepth = 4;
        shape.fieldMode = fieldMode;
        auto picture = MakeImage(shape);
        for (uint32_t y = 0; y < shape.height; ++y)
          for (size_t i = 0; i < picture->RowBytes(); ++i) picture->Row(y)[i] = uint8_t(y * 16 + i);
        const std::vector<uint8_t> source = StoredBytes(*picture);
        EffectRig rig(kModule);
        rig.SetInput(std::move(picture));
        Render(rig, vertical, horizontal);
        EXPECT_EQ(StoredBytes(*rig.Output()), source);
        EXPECT_EQ(StoredBytes(*rig.Input()), source);
      }
    }
  }
}

// Source and output of different formats: the passes stay inside the part both images hold and
// leave the rest alone.
struct MismatchCase {
  const char* name;
  host::ImageShape output;
  std::vector<std::string> expectedOutput;
  std::vector<std::string> expectedSource;
};

TEST(Mirror, SourceAndOutputOfDifferentFormatsStayInsideBothImages) {
  // The source is 6 x 5, 32-bit; pixels the passes must not touch stay zero and show as "?".
  auto shape = [](uint32_t width, uint32_t height, uint32_t bitDepth) {
    host::ImageShape result;
    result.width = width;
    result.height = height;
    result.bitDepth = bitDepth;
    return result;
  };
  const std::vector<std::string> source = Expected(Identity(6), Identity(5));
  std::vector<std::string> larger = Expected({5, 4, 3, 2, 1, 0}, {4, 3, 2, 1, 0});
  for (std::string& row : larger) row += " ? ?";
  larger.push_back("? ? ? ? ? ? ? ?");
  std::vector<std::string> sourceAfterSmaller = Expected({3, 2, 1, 0, 4, 5}, Identity(5));
  for (uint32_t y = 3; y < 5; ++y) sourceAfterSmaller[y] = source[y];
  const MismatchCase cases[] = {
      {"larger output", shape(8, 6, 32), larger, Expected({5, 4, 3, 2, 1, 0}, Identity(5))},
      {"smaller output", shape(4, 3, 32), Expected({3, 2, 1, 0}, {2, 1, 0}), sourceAfterSmaller},
  };
  for (const MismatchCase& test : cases) {
    SCOPED_TRACE(test.name);
    EffectRig rig(kModule);
    rig.SetInput(PositionPicture(SpecOf(kStorages[1], 6, 5)));
    rig.Set(0, 3);
    rig.Set(1, 3);
    ASSERT_EQ(rig.Begin(), 0);
    rig.Instance().Output().Set(MakeImage(test.output));
    ASSERT_EQ(rig.Process(), 0);
    EXPECT_EQ(Positions(*rig.Output()), test.expectedOutput);
    EXPECT_EQ(Positions(*rig.Input()), test.expectedSource);
  }

  SCOPED_TRACE("different bit depth");
  EffectRig rig(kModule);
  rig.SetInput(PositionPicture(SpecOf(kStorages[1], 6, 5)));
  rig.Set(0, 2);
  rig.Set(1, 2);
  ASSERT_EQ(rig.Begin(), 0);
  rig.Instance().Output().Set(MakeImage(shape(6, 5, 24)));
  ASSERT_EQ(rig.Process(), 0);
  EXPECT_EQ(StoredBytes(*rig.Output()), std::vector<uint8_t>(6 * 5 * 3, 0));
  EXPECT_EQ(Positions(*rig.Input()), source);
}

}  // namespace
}  // namespace lumov::test
