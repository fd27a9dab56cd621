// HotspotMove: the light spot at a start position, at an end position, or moving in a straight
// line from the one to the other over the length of the clip.
#include "../hotspot/hotspot_renderer.h"
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

enum Display : int32_t { kStartPosition = 0, kEndPosition = 1, kMoveHotspot = 2 };

// How far along its way the moving spot is at `frame`: 0 on the clip's first frame, 1 on its
// last, and beyond on either side for frames outside the clip. False for a clip of at most one
// frame; a timing record with B or C of 0 gives no frame count at all and counts as such a clip,
// so no quotient is ever taken by 0.
bool MovingSpotProgress(const ClipTiming& timing, int32_t frame, double* progress) {
  if (timing.b == 0 || timing.c == 0) return false;
  const double frames =
      (double(timing.a) / double(timing.b)) * (double(timing.b) / double(timing.c));
  if (!(frames > 1.0)) return false;
  *progress = double(frame) / (frames - 1.0);
  return true;
}

class RenderHotspotMove final : public EffectObject<> {
 public:
  RenderHotspotMove() : EffectObject(kParameters) {}

  int32_t LUMOV_CALL ProcessBegin(IImageHolder* output, InputList* inputs, IParameterSet* context,
                                  IFramePosition* position, IImageFactory* factory) override {
    FrameStart start;
    const int32_t result = BeginFrame(output, inputs, context, factory, start);
    if (result != kResultOk) return result;

    int32_t display = 0;
    double xStart = 0.0, yStart = 0.0, xEnd = 0.0, yEnd = 0.0, radius = 0.0, intensity = 0.0;
    bool insideGrey = false, outsideGrey = false, transition = false;
    ReadChoice(context, 0, IChoiceValue::kIid, &display);
    ReadDouble(context, 1, IDoubleValue::kIid, &xStart);
    ReadDouble(context, 2, IDoubleValue::kIid, &yStart);
    ReadDouble(context, 3, IDoubleValue::kIid, &xEnd);
    ReadDouble(context, 4, IDoubleValue::kIid, &yEnd);
    ReadDouble(context, 5, IDoubleValue::kIid, &radius);
    ReadDouble(context, 6, IDoubleValue::kIid, &intensity);
    ReadBoolean(context, 7, IBooleanValue::kIid, &insideGrey);
    ReadBoolean(context, 8, IBooleanValue::kIid, &outsideGrey);
    ReadBoolean(context, 9, IBooleanValue::kIid, &transition);

    double x = 0.0, y = 0.0;
    if (display == kStartPosition) {
      x = xStart;
      y = yStart;
    } else if (display == kEndPosition) {
      x = xEnd;
      y = yEnd;
    } else if (display == kMoveHotspot) {
      ClipTiming timing{0, 0, 0};
      context->GetClipTiming(&timing);
      const int32_t frame = position->GetCurrentFrame();
      double progress = 0.0;
      if (MovingSpotProgress(timing, frame, &progress)) {
        x = xStart + (xEnd - xStart) * progress;
        y = yStart + (yEnd - yStart) * progress;
      }
    }
    // The format object goes with `start`, once the table is built.
    return renderer.BuildTable(start.source, x, y, radius, intensity, insideGrey, outsideGrey,
                               transition, 0.0);
  }

  int32_t LUMOV_CALL Process(IImageHolder* output, InputList* inputs, IParameterSet*,
                             IFramePosition*, IImageFactory*) override {
    renderer.RenderFrame(InputImage(inputs), OutputImage(output));
    return kResultOk;
  }

 private:
  HotspotRenderer renderer{ShadingVariant::Lifted};
};

}  // namespace

IRenderEffect* CreateModuleEffect() {
  return new (std::nothrow) RenderHotspotMove;
}

}  // namespace lumov
