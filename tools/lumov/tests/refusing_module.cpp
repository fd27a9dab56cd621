// A plug-in module for the tool's tests only: its effect copies frames through, but refuses the
// third frame in ProcessBegin, as a real effect may refuse a frame it cannot render.
#include "effect_object.h"

namespace lumov {

extern constinit const ModuleDefinition kModule{
    .moduleName = "LumovRefusing",
    .displayName = "Refusing (test)",
    .displayNameForHost = u"Refusing (test)",
    .classId = "{0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0}"_guid,
    .firstInput = 1,
    .secondInput = -1,
    .effectClassName = "Refusing",
    .imageDataClassName = "Refusing",
    .createLogsClassName = true,
};

namespace {

constexpr int32_t kRefusedFrame = 2;
constexpr int32_t kRefusal = 0x5A5A;

class Refusing final : public EffectObject<> {
 public:
  int32_t LUMOV_CALL ProcessBegin(IImageHolder* output, InputList* inputs, IParameterSet* context,
                                  IFramePosition* position, IImageFactory* factory) override {
    FrameStart start;
    const int32_t result = BeginFrame(output, inputs, context, factory, start);
    if (result != kResultOk) return result;
    return position->GetCurrentFrame() == kRefusedFrame ? kRefusal : kResultOk;
  }

  int32_t LUMOV_CALL Process(IImageHolder* output, InputList* inputs, IParameterSet*,
                             IFramePosition*, IImageFactory*) override {
    IImageBuffer* source = InputImage(inputs);
    IImageBuffer* target = OutputImage(output);
    if (source != nullptr && target != nullptr) source->CopyTo(target, 2);
    return kResultOk;
  }
};

}  // namespace

IRenderEffect* CreateModuleEffect() {
  return new (std::nothrow) Refusing;
}

}  // namespace lumov
