// HotspotMove: the light spot at a start position, at an end position, or moving in a straight
// line from the one to the other over the length of the clip.
#include "effect_object.h"

namespace lumov {
namespace {

constexpr ParameterDeclaration kParameters[] = {
    {.label = u"Display/Render:",
     .kind = ParameterKind::Choice,
     .choices = {u"Start Position", u"End Position", u"Move Hotspot"}},
    {u"X-Start Position", ParameterKind::Real, -100.0, 100.0, 0.0, 0.1},
    {u"Y-Start Position", ParameterKind::Real, -100.0, 100.0, 0.0, 0.1},
    {u"X-End Position", ParameterKind::Real, -100.0, 100.0, 0.0, 0.1},
    {u"Y-End Position", ParameterKind::Real, -100.0, 100.0, 0.0, 0.1},
    {u"Radius", ParameterKind::Real, 10.0, 100.0, 25.0, 0.1},
    {u"Intensity", ParameterKind::Real, -100.0, 100.0, 25.0, 0.1},
    {u"Inside: Black/White", ParameterKind::OnOff, 0, 1, 0},
    {u"Outside: Black/White", ParameterKind::OnOff, 0, 1, 0},
    {u"Transition", ParameterKind::OnOff, 0, 1, 1},
};

class RenderHotspotMove final : public EffectObject<> {
 public:
  RenderHotspotMove() : EffectObject(kParameters) {}

  int32_t LUMOV_CALL Process(IImageHolder*, InputList*, IParameterSet*, IFramePosition*,
                             IImageFactory*) override {
    return kResultOk;
  }
};

}  // namespace

IRenderEffect* CreateModuleEffect() { return new (std::nothrow) RenderHotspotMove; }

}  // namespace lumov
