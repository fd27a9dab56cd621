// Hotspot: a round light spot at a fixed place.
#include "effect_object.h"
#include "hotspot_renderer.h"

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

  int32_t LUMOV_CALL ProcessBegin(IImageHolder* output, InputList* inputs, IParameterSet* context,
                                  IFramePosition*, IImageFactory* factory) override {
    FrameStart start;
    const int32_t result = BeginFrame(output, inputs, context, factory, start);
    if (result != kResultOk) return result;

    double x = 0.0, y = 0.0, radius = 0.0, intensity = 0.0, futureUse = 0.0;
    bool insideGrey = false, outsideGrey = false, transition = false;
    ReadDouble(context, 0, IDoubleValue::kIid, &x);
    ReadDouble(context, 1, IDoubleValue::kIid, &y);
    ReadDouble(context, 2, IDoubleValue::kIid, &radius);
    ReadDouble(context, 3, IDoubleValue::kIid, &intensity);
    ReadBoolean(context, 4, IBooleanValue::kIid, &insideGrey);
    ReadBoolean(context, 5, IBooleanValue::kIid, &outsideGrey);
    ReadBoolean(context, 6, IBooleanValue::kIid, &transition);
    ReadDouble(context, 7, IDoubleValue::kIid, &futureUse);
    // The format object goes with `start`, once the table is built.
    return renderer.BuildTable(start.source, x, y, radius, intensity, insideGrey, outsideGrey,
                               transition, futureUse);
  }

  int32_t LUMOV_CALL Process(IImageHolder* output, InputList* inputs, IParameterSet*,
                             IFramePosition*, IImageFactory*) override {
    renderer.RenderFrame(InputImage(inputs), OutputImage(output));
    return kResultOk;
  }

 private:
  HotspotRenderer renderer{ShadingVariant::Plain};
};

}  // namespace

IRenderEffect* CreateModuleEffect() {
  return new (std::nothrow) RenderHotspot;
}

}  // namespace lumov
