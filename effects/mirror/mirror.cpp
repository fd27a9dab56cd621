// Mirror: mirrors the left or right half onto the other, the top or bottom half onto the other,
// or flips the whole picture, horizontally and vertically independently.
#include <algorithm>
#include <cstring>

#include "effect_object.h"
#include "image_access.h"

namespace lumov {
namespace {

constexpr ParameterDeclaration kParameters[] = {
    {.label = u"Vertical type",
     .kind = ParameterKind::Choice,
     .choices = {u"None", u"Left frame side", u"Right frame side", u"Complete frame"}},
    {.label = u"Horizontal type",
     .kind = ParameterKind::Choice,
     .choices = {u"None", u"Top frame side", u"Bottom frame side", u"Complete frame"}},
};

// The columns or rows [first, end) that a choice mirrors out of `size`; `selected` is false for
// "None" and for values outside the list.
struct MirrorRange {
  bool selected = false;
  uint32_t first = 0;
  uint32_t end = 0;
};

MirrorRange RangeOf(int32_t choice, uint32_t size) {
  switch (choice) {
    case 1:
      return {true, 0, size / 2};
    case 2:
      return {true, size / 2, size};
    case 3:
      return {true, 0, size};
    default:
      return {};
  }
}

// The part of the picture both images hold; pixels are only moved between images of the same
// pixel size, so that every byte lands where it belongs in both.
struct CommonArea {
  ImageLayout source;
  ImageLayout target;
  uint32_t width = 0;
  uint32_t height = 0;

  static CommonArea Of(IImageBuffer* source, IImageBuffer* target) {
    CommonArea area{ImageLayout::Of(source), ImageLayout::Of(target)};
    area.width = std::min(area.source.width, area.target.width);
    area.height = std::min(area.source.height, area.target.height);
    return area;
  }
  bool SamePixelSize() const { return source.bytesPerPixel == target.bytesPerPixel; }
};

// Copies `count` pixels forwards from `from` and backwards into the pixels before `toEnd`. The
// fixed sizes let the compiler move a pixel as one word.
template <size_t kBytes>
void MirrorPixels(const uint8_t* from, uint8_t* toEnd, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    toEnd -= kBytes;
    std::memcpy(toEnd, from, kBytes);
    from += kBytes;
  }
}

void MirrorPixels(const uint8_t* from, uint8_t* toEnd, uint32_t count, uint32_t bytes) {
  for (uint32_t i = 0; i < count; ++i) {
    toEnd -= bytes;
    std::memcpy(toEnd, from, bytes);
    from += bytes;
  }
}

// Pixel x of every source row goes to pixel width - 1 - x of the same target row.
void ColumnPass(const CommonArea& area, MirrorRange columns) {
  const uint32_t bytes = area.source.bytesPerPixel;
  const uint32_t count = columns.end - columns.first;
  for (uint32_t y = 0; y < area.height; ++y) {
    const uint8_t* from = area.source.Pixel(columns.first, y);
    uint8_t* toEnd = area.target.Pixel(area.width - columns.first, y);
    switch (bytes) {
      case 4:
        MirrorPixels<4>(from, toEnd, count);
        break;
      case 3:
        MirrorPixels<3>(from, toEnd, count);
        break;
      default:
        MirrorPixels(from, toEnd, count, bytes);
        break;
    }
  }
}

// Row y goes to row height - 1 - y; in an interlaced picture one row lower, so that with an even
// height every row stays in its own field, and the row that would fall below the picture is
// dropped.
void RowPass(const CommonArea& area, MirrorRange rows, bool interlaced) {
  const size_t rowBytes = size_t(area.width) * area.source.bytesPerPixel;
  uint32_t target = 0;
  for (uint32_t y = rows.first; y < rows.end; ++y) {
    target = interlaced ? area.height - y : area.height - 1 - y;
    if (target < area.height) std::memcpy(area.target.Row(target), area.source.Row(y), rowBytes);
  }
  // When the pass ends on row 1, nothing was written to row 0: it repeats row 1.
  if (rows.end > rows.first && target == 1 && area.height >= 2)
    std::memcpy(area.target.Row(0), area.target.Row(1), rowBytes);
}

class Mirror final : public EffectObject<> {
 public:
  Mirror() : EffectObject(kParameters) {}

  int32_t LUMOV_CALL Process(IImageHolder* output, InputList* inputs, IParameterSet* context,
                             IFramePosition*, IImageFactory*) override {
    int32_t vertical = 0;
    int32_t horizontal = 0;
    ReadChoice(context, 0, IChoiceValue::kIid, &vertical);
    ReadChoice(context, 1, IChoiceValue::kIid, &horizontal);
    IImageBuffer* source = InputImage(inputs);
    IImageBuffer* target = OutputImage(output);
    // A host may call Process after a ProcessBegin that found no image.
    if (source == nullptr || target == nullptr) return kResultOk;
    source->CopyTo(target, 2);

    CommonArea area = CommonArea::Of(source, target);
    if (!area.SamePixelSize()) return kResultOk;
    const MirrorRange columns = RangeOf(vertical, area.width);
    if (columns.selected) ColumnPass(area, columns);
    if (!RangeOf(horizontal, area.height).selected) return kResultOk;

    // The row pass mirrors the column-mirrored picture, so it must read it from the source.
    if (columns.selected) {
      target->CopyTo(source, 2);
      area = CommonArea::Of(source, target);
      if (!area.SamePixelSize()) return kResultOk;
    }
    RowPass(area, RangeOf(horizontal, area.height), source->GetFieldMode() == 1);
    return kResultOk;
  }
};

}  // namespace

IRenderEffect* CreateModuleEffect() {
  return new (std::nothrow) Mirror;
}

}  // namespace lumov
