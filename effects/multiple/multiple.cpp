// Multiple: the picture as an N x N grid of reduced copies, each with an optional coloured frame.
#include "effect_object.h"

namespace lumov {
namespace {

constexpr ParameterDeclaration kParameters[] = {
    {u"Number of Blocks", ParameterKind::Integer, 2, 10, 2, 1},
    {u"Frame Size", ParameterKind::Integer, 0, 100, 0, 1},
    {u"Frame Color Red", ParameterKind::Integer, 0, 255, 0, 1},
    {u"Frame Color Green", ParameterKind::Integer, 0, 255, 0, 1},
    {u"Frame Color Blue", ParameterKind::Integer, 0, 255, 0, 1},
};

class Multiple final : public EffectObject<> {
 public:
  Multiple() : EffectObject(kParameters) {}

  int32_t LUMOV_CALL Process(IImageHolder*, InputList*, IParameterSet*, IFramePosition*,
                             IImageFactory*) override {
    return kResultOk;
  }
};

}  // namespace

IRenderEffect* CreateModuleEffect() { return new (std::nothrow) Multiple; }

}  // namespace lumov
