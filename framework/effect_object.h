// The base of every effect class: identity and reference counting through every interface,
// instance numbering, parameter declaration from the effect's table, the common start of every
// frame, and the default operations.
#pragma once

#include <cinttypes>
#include <new>
#include <span>

#include "com_object.h"
#include "com_ref.h"
#include "effect_module.h"
#include "log_file.h"
#include "parameters.h"

namespace lumov {

// The image of the frame's only input, or null; borrowed.
inline IImageBuffer* InputImage(InputList* inputs) {
  if (inputs == nullptr || inputs->holders == nullptr || inputs->holders[0] == nullptr)
    return nullptr;
  return inputs->holders[0]->GetImage();
}

// The output image, or null; borrowed.
inline IImageBuffer* OutputImage(IImageHolder* output) {
  return output != nullptr ? output->GetImage() : nullptr;
}

// What the common steps of ProcessBegin hand to the effect: the input image (borrowed) and its
// format object, released when the frame start goes.
struct FrameStart {
  IImageBuffer* source = nullptr;
  ComRef<IImageFormat> format;
};

template <class... ExtraInterfaces>
class EffectObject : public ComObject<IRenderEffect, ExtraInterfaces..., IEffectProperties> {
 public:
  explicit EffectObject(std::span<const ParameterDeclaration> parameters = {})
      : parameters(parameters) {}

  int32_t LUMOV_CALL Initialize() override {
    instanceNumber = ++moduleInstanceCounter;
    firstFrame = 1;
    ModuleLog.Write("%s::Initialize of Instance: %u", kModule.effectClassName, instanceNumber);
    return kResultOk;
  }

  int32_t LUMOV_CALL AllocateParameterSet(IParameterSet* set, IParameterFactory* factory) override {
    ModuleLog.Write("%u: %s::AllocateParameterSet", instanceNumber, kModule.effectClassName);
    ParameterBuilder builder(set, factory);
    DeclareParameters(builder, parameters);
    return kResultOk;
  }

  int32_t LUMOV_CALL ProcessBegin(IImageHolder* output, InputList* inputs, IParameterSet* context,
                                  IFramePosition*, IImageFactory* factory) override {
    FrameStart start;
    return BeginFrame(output, inputs, context, factory, start);
  }

  int32_t LUMOV_CALL ProcessEnd(IImageHolder*, InputList*, IParameterSet*, IFramePosition*,
                                IImageFactory*) override {
    return kResultOk;
  }

  int32_t LUMOV_CALL IsSupported(const GUID* guid) override {
    return guid != nullptr && *guid == kSupportedFeature ? 1 : 0;
  }
  int32_t LUMOV_CALL GetInteger(int32_t) override { return 0; }
  double LUMOV_CALL GetReal(int32_t) override { return 0.0; }
  int32_t LUMOV_CALL GetHandle(int32_t) override { return 0; }

 protected:
  ~EffectObject() override {
    ModuleLog.Write("%u: %s::Destructor", instanceNumber, kModule.effectClassName);
  }

  // The common steps of every ProcessBegin: find the input image, let the host prepare the
  // output in its format, and log the image data at the first successful frame.
  int32_t BeginFrame(IImageHolder* output, InputList* inputs, IParameterSet* context,
                     IImageFactory* factory, FrameStart& start) {
    start.source = InputImage(inputs);
    if (start.source == nullptr) return kNoInputImage;
    start.source->GetFormat(&IImageFormat::kIid, start.format.Put());
    const int32_t result =
        factory->PrepareOutput(&kPrepareOutputIid, output, start.format.get(), 512, 64);
    if (result != kResultOk) return result;
    if (firstFrame != 0) {
      firstFrame = 0;
      WriteImageData(start.source, context);
    }
    return kResultOk;
  }

  virtual void WriteImageData(IImageBuffer* image, IParameterSet*) {
    ModuleLog.Write("%u: %s::ProcessBegin   Image Data:", instanceNumber,
                    kModule.imageDataClassName);
    ModuleLog.Write("  Width      = %lu", static_cast<unsigned long>(image->GetWidth()));
    ModuleLog.Write("  Height     = %lu", static_cast<unsigned long>(image->GetHeight()));
    ModuleLog.Write("  BitDepth   = %lu", static_cast<unsigned long>(image->GetBitDepth()));
    ModuleLog.Write("  ColorSpace = %i", image->GetColorSpace());
    ModuleLog.Write("  FieldMode  = %i (Progressive=%i, Interlaced=%i)", image->GetFieldMode(), 0,
                    1);
  }

  uint32_t instanceNumber = 0;
  int32_t firstFrame = 0;

 private:
  std::span<const ParameterDeclaration> parameters;
};

}  // namespace lumov
