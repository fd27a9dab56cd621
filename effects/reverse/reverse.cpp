// Reverse: plays the clip backwards, reading source frames through the frame source that the host
// attaches, and for interlaced material rebuilds one field from the neighbouring source frame so
// that the fields, too, follow each other backwards in time.
#include <algorithm>
#include <cstring>
#include <limits>

#include "effect_object.h"
#include "image_access.h"

namespace lumov {
namespace {

// Counts and frame numbers are logged as 32-bit values, whatever the width of long.
unsigned long AsUnsigned(int32_t value) {
  return static_cast<uint32_t>(value);
}
long AsSigned(int32_t value) {
  return value;
}

// The clip's length in frames: (A / B) * (B / C) rounded half up. A record with a zero divisor,
// or whose length is not finite or does not fit 32 bits, counts as a clip of no frames, so that
// every read fails and the output stays the current frame.
int32_t FrameCount(IParameterSet* context) {
  ClipTiming timing{0, 0, 0};
  context->GetClipTiming(&timing);
  if (timing.b == 0 || timing.c == 0) return 0;
  const double framesPerSecond = double(timing.b) / double(timing.c);
  const double seconds = double(timing.a) / double(timing.b);
  const double rounded = seconds * framesPerSecond + 0.5;
  if (!(rounded > -2147483649.0 && rounded < 2147483648.0)) return 0;
  return int32_t(rounded);
}

// The image data lines of the first frame and of the first fetched frame, which differ only in
// their heading and indentation.
void WriteImageLines(IImageBuffer* image, const char* indent, int32_t frameCount) {
  ModuleLog.Write("%sWidth          = %lu", indent, static_cast<unsigned long>(image->GetWidth()));
  ModuleLog.Write("%sHeight         = %lu", indent, static_cast<unsigned long>(image->GetHeight()));
  ModuleLog.Write("%sBitDepth       = %lu", indent,
                  static_cast<unsigned long>(image->GetBitDepth()));
  ModuleLog.Write("%sColorSpace     = %i", indent, image->GetColorSpace());
  ModuleLog.Write("%sFieldMode      = %i (Progressive=%i, Interlaced=%i)", indent,
                  image->GetFieldMode(), 0, 1);
  if (image->GetFieldMode() == 1) {
    ModuleLog.Write("%sFieldDominance = %i (UpperFieldFirst=%i, LowerFieldFirst=%i)", indent,
                    image->GetFieldDominance(), 0, 1);
  }
  ModuleLog.Write("%sNr of Frames   = %lu", indent, AsUnsigned(frameCount));
}

// Reads one frame through the frame source into an image of its own, brought to the size of the
// current frame; the image lives as long as the reader or until the next read.
class FrameReader {
 public:
  FrameReader(uint32_t instanceNumber, IFrameSource* frameSource, IImageBuffer* currentImage,
              IImageFactory* factory)
      : frameSource(frameSource),
        currentImage(currentImage),
        factory(factory),
        instanceNumber(instanceNumber) {
    currentImage->GetFormat(&IImageFormat::kIid, format.Put());
  }

  // The frame `offset` frames after the current one (the current image itself for 0), or null.
  // The offset is taken 64 bits wide because it is computed from 32-bit frame numbers.
  IImageBuffer* GetFrame(int64_t offset, int32_t currentFrame, int32_t frameCount, int32_t& resized,
                         bool logImageData) {
    fetchedImage.Reset();
    resized = 0;
    if (offset == 0) {
      ModuleLog.Write(
          "INFO GetFrame: ReadFrameNr = 0, return current frame ptr (Nr of Frames=%lu, Current "
          "Frame=%lu)",
          AsUnsigned(frameCount), AsUnsigned(currentFrame));
      return currentImage;
    }
    if (frameSource == nullptr) {
      ModuleLog.Write(
          "%u: RenderReverse::Process:GetFrame: ERROR no frame source attached; Nr of Frames=%li, "
          "Current frame=%li",
          instanceNumber, AsSigned(frameCount), AsSigned(currentFrame));
      return nullptr;
    }
    if (offset < std::numeric_limits<int32_t>::min() ||
        offset > std::numeric_limits<int32_t>::max()) {
      ModuleLog.Write(
          "%u: RenderReverse::Process:GetFrame: ERROR frame offset out of range; Nr of "
          "Frames=%li, Current frame=%li",
          instanceNumber, AsSigned(frameCount), AsSigned(currentFrame));
      return nullptr;
    }

    int32_t values[4] = {0, 0, 0, 0};
    const int32_t code = frameSource->ReadFrame(int32_t(offset), &values[0], format.get(),
                                                &values[1], &values[2], &values[3]);
    if (code != kResultOk) {
      ModuleLog.Write(
          "%u: RenderReverse::Process:GetFrame: ERROR (%0XH) getting frame %li of %li, Current "
          "frame=%li",
          instanceNumber, static_cast<unsigned>(code), long(offset), AsSigned(frameCount),
          AsSigned(currentFrame));
      return nullptr;
    }
    // Only the image counts: a host may answer with a code and an image, or 0 and none.
    factory->CreateImageBufferInstance(&IImageBuffer::kIid, fetchedImage.Put(), values[0],
                                       values[1], format.get(), values[2], values[3]);
    if (!fetchedImage) {
      ModuleLog.Write(
          "%u: RenderReverse::Process:GetFrame: ERROR calling CreateImageBufferInstance; frame "
          "%li of %li, Current frame=%li",
          instanceNumber, long(offset), AsSigned(frameCount), AsSigned(currentFrame));
      return nullptr;
    }
    if (logImageData) WriteFetchedImageData(frameCount);

    const uint32_t fetchedWidth = fetchedImage->GetWidth();
    const uint32_t fetchedHeight = fetchedImage->GetHeight();
    const uint32_t currentWidth = currentImage->GetWidth();
    const uint32_t currentHeight = currentImage->GetHeight();
    if (fetchedWidth == currentWidth && fetchedHeight == currentHeight) return fetchedImage.get();
    resized = 1;
    // An empty frame has no scale factor; it is handed on as it is and copies nothing.
    if (fetchedWidth != 0 && fetchedHeight != 0) {
      const double sx = double(currentWidth) / double(fetchedWidth);
      const double sy = double(currentHeight) / double(fetchedHeight);
      fetchedImage->Resample(sx, sy, 0, 0);
    }
    return fetchedImage.get();
  }

 private:
  void WriteFetchedImageData(int32_t frameCount) {
    ModuleLog.Write("%u: RenderReverse::Process:GetFrame Image Data:", instanceNumber);
    WriteImageLines(fetchedImage.get(), "   ", frameCount);
  }

  IFrameSource* frameSource;
  IImageBuffer* currentImage;
  ComRef<IImageBuffer> fetchedImage;
  IImageFactory* factory;
  ComRef<IImageFormat> format;  // released before fetchedImage, as declared after it
  uint32_t instanceNumber;
};

// Copies `count` rows, every second one, from `sourceRow` on in `from` to `targetRow` on in `to`,
// as far as both images reach and as wide as both rows are.
void CopyAlternateRows(IImageBuffer* from, uint32_t sourceRow, IImageBuffer* to, uint32_t targetRow,
                       uint32_t count) {
  const ImageLayout source = ImageLayout::Of(from);
  const ImageLayout target = ImageLayout::Of(to);
  const size_t rowBytes = std::min(source.RowBytes(), target.RowBytes());
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t s = sourceRow + 2 * uint64_t(i);
    const uint64_t t = targetRow + 2 * uint64_t(i);
    if (s >= source.height || t >= target.height) break;
    // memmove: a host that renders in place may hand the same memory as source and target.
    std::memmove(target.Row(uint32_t(t)), source.Row(uint32_t(s)), rowBytes);
  }
}

class RenderReverse final : public EffectObject<IFrameAccess> {
 public:
  int32_t LUMOV_CALL Initialize() override {
    EffectObject::Initialize();
    logFetchedFrame = 1;
    frameSource = nullptr;
    return kResultOk;
  }

  // The two integers mean something to the host only; the effect always answers 0, 0.
  int32_t LUMOV_CALL AttachFrameSource(int32_t* a, int32_t* b, IFrameSource* source) override {
    frameSource = source;
    if (a != nullptr) *a = 0;
    if (b != nullptr) *b = 0;
    return kResultOk;
  }

  int32_t LUMOV_CALL Process(IImageHolder* output, InputList* inputs, IParameterSet* context,
                             IFramePosition* position, IImageFactory* factory) override {
    IImageBuffer* source = InputImage(inputs);
    IImageBuffer* target = OutputImage(output);
    if (source == nullptr || target == nullptr) return kResultOk;
    // Whatever fails later, the output shows at least the current frame.
    source->CopyTo(target, 2);

    const int32_t frameCount = FrameCount(context);
    const int32_t currentFrame = position->GetCurrentFrame();
    FrameReader reader(instanceNumber, frameSource, source, factory);
    int32_t resized = 0;
    // Output frame e shows source frame N - 1 - e. 64-bit, as 2e alone may not fit 32 bits.
    IImageBuffer* frame = reader.GetFrame(int64_t(frameCount) - 2 * int64_t(currentFrame) - 1,
                                          currentFrame, frameCount, resized, logFetchedFrame != 0);
    logFetchedFrame = 0;
    if (frame == nullptr) return kResultOk;
    frame->CopyTo(target, 2);

    if (source->GetFieldMode() != 1) return kResultOk;
    if (resized != 0) {
      ModuleLog.Write(
          "%u: RenderReverse::Process  WARNING: Interlaced Image resized, nothing change",
          instanceNumber);
      return kResultOk;
    }
    CorrectFields(source, frame, target, frameCount, currentFrame, factory);
    return kResultOk;
  }

 protected:
  void WriteImageData(IImageBuffer* image, IParameterSet* context) override {
    ModuleLog.Write("%u: RenderReverse::ProcessBegin   Image Data:", instanceNumber);
    WriteImageLines(image, "  ", FrameCount(context));
  }

 private:
  // Played backwards, the fields run: second field of frame k + 1, first field of k + 1, second
  // field of k, first field of k. The output already holds frame k; its first field is replaced
  // by the first field of k + 1, or, without that frame, by its own second field moved by a row.
  void CorrectFields(IImageBuffer* source, IImageBuffer* frame, IImageBuffer* target,
                     int32_t frameCount, int32_t currentFrame, IImageFactory* factory) {
    const bool upperFieldFirst = source->GetFieldDominance() == 0;
    IImageBuffer* fieldSource = frame;
    uint32_t sourceRow = upperFieldFirst ? 1 : 0;
    const uint32_t targetRow = upperFieldFirst ? 0 : 1;

    FrameReader neighbourReader(instanceNumber, frameSource, source, factory);
    // Frame k + 1 lies at offset N - 2e, inside the clip only for e > 0.
    if (currentFrame > 0) {
      int32_t resized = 0;
      IImageBuffer* neighbour =
          neighbourReader.GetFrame(int64_t(frameCount) - 2 * int64_t(currentFrame), currentFrame,
                                   frameCount, resized, false);
      if (neighbour != nullptr) {
        fieldSource = neighbour;
        sourceRow = targetRow;
      }
    }
    const uint32_t height = target->GetHeight();
    CopyAlternateRows(fieldSource, sourceRow, target, targetRow, height / 2);
  }

  int32_t logFetchedFrame = 0;
  IFrameSource* frameSource = nullptr;
};

}  // namespace

IRenderEffect* CreateModuleEffect() {
  return new (std::nothrow) RenderReverse;
}

}  // namespace lumov
