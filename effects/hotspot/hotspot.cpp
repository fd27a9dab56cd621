// Hotspot: a round light spot at a fixed place.
#include "effect_object.h"

namespace lumov {
namespace {

constexpr ParameterDeclaration kParameters[] = {
    {u"X-Position", ParameterKind::Real, -100.0, 100.0, 0.0, 0.1},
    {u"Y-Position", ParameterKind::Real, -100.0, 100.0, 0.0, 0.1},
    {u"Radius", ParameterKind::Real, 10.0, 100.0, 25.0, 0.1},
    {u"Intensity", ParameterKind::Real, -100.0, 100.0, 25.0, 0.1},
    {u"Inside: Black/White", ParameterKind::OnOff, 0, 1, 0},
    {u"Outside: Black/White", ParameterKind::OnOff, 0, 1, 0},
    {u"Transition", ParameterKind::OnOff, 0, 1, 1},
    {u"Future use", ParameterKind::Real, -100.0, 100.0, 0.0, 0.1},
};

class RenderHotspot final : public EffectObject<> {
 public:
  RenderHotspot() : EffectObject(kParameters) {}

  int32_t LUMOV_CALL Process(IImageHolder*, InputList*, IParameterSet*, IFramePosition*,
                             IImageFactory*) override {
    return kResultOk;
  }
};

}  // namespace

IRenderEffect* CreateModuleEffect() { return new (std::nothrow) RenderHotspot; }

}  // namespace lumov
