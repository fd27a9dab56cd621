// The parameters each module declares, as the host keeps them: label, kind, range, step,
// secondary limits, default and choice labels, in index order.
#include <string>
#include <vector>

#include "support.h"

namespace lumov::test {
namespace {

struct Declared {
  const char* label;
  ParameterKind kind;
  double minimum = 0.0;
  double maximum = 0.0;
  double step = 0.0;
  double defaultValue = 0.0;
  std::vector<std::string> choices = {};
};

struct ModuleParameters {
  const char* module;
  std::vector<Declared> parameters;  // by index
};

constexpr ParameterKind kReal = ParameterKind::Real;
constexpr ParameterKind kChoice = ParameterKind::Choice;
constexpr ParameterKind kOnOff = ParameterKind::OnOff;
constexpr ParameterKind kInteger = ParameterKind::Integer;

const ModuleParameters kModules[] = {
    {"LumovMirror",
     {
         {"Vertical type",
          kChoice,
          0,
          0,
          0,
          0,
          {"None", "Left frame side", "Right frame side", "Complete frame"}},
         {"Horizontal type",
          kChoice,
          0,
          0,
          0,
          0,
          {"None", "Top frame side", "Bottom frame side", "Complete frame"}},
     }},
    {"LumovMultiple",
     {
         {"Number of Blocks", kInteger, 2, 10, 1, 2},
         {"Frame Size", kInteger, 0, 100, 1, 0},
         {"Frame Color Red", kInteger, 0, 255, 1, 0},
         {"Frame Color Green", kInteger, 0, 255, 1, 0},
         {"Frame Color Blue", kInteger, 0, 255, 1, 0},
     }},
    {"LumovHotspot",
     {
         {"X-Position", kReal, -100.0, 100.0, 0.1, 0.0},
         {"Y-Position", kReal, -100.0, 100.0, 0.1, 0.0},
         {"Radius", kReal, 10.0, 100.0, 0.1, 25.0},
         {"Intensity", kReal, -100.0, 100.0, 0.1, 25.0},
         {"Inside: Black/White", kOnOff, 0, 0, 0, 0},
         {"Outside: Black/White", kOnOff, 0, 0, 0, 0},
         {"Transition", kOnOff, 0, 0, 0, 1},
         {"Future use", kReal, -100.0, 100.0, 0.1, 0.0},
     }},
    {"LumovHotspotMove",
     {
         {"Display/Render:",
          kChoice,
          0,
          0,
          0,
          0,
          {"Start Position", "End Position", "Move Hotspot"}},
         {"X-Start Position", kReal, -100.0, 100.0, 0.1, 0.0},
         {"Y-Start Position", kReal, -100.0, 100.0, 0.1, 0.0},
         {"X-End Position", kReal, -100.0, 100.0, 0.1, 0.0},
         {"Y-End Position", kReal, -100.0, 100.0, 0.1, 0.0},
         {"Radius", kReal, 10.0, 100.0, 0.1, 25.0},
         {"Intensity", kReal, -100.0, 100.0, 0.1, 25.0},
         {"Inside: Black/White", kOnOff, 0, 0, 0, 0},
         {"Outside: Black/White", kOnOff, 0, 0, 0, 0},
         {"Transition", kOnOff, 0, 0, 0, 1},
     }},
    {"LumovReverse", {}},
};

void PrintTo(const ModuleParameters& module, std::ostream* out) {
  *out << module.module;
}

std::string Narrow(const std::u16string& text) {
  return std::string(text.begin(), text.end());
}

class DeclaredParametersTest : public ::testing::TestWithParam<ModuleParameters> {};

TEST_P(DeclaredParametersTest, AsTheHostListsThem) {
  EffectRig rig(GetParam().module);
  const auto& listed = rig.Parameters().Parameters();
  const std::vector<Declared>& expected = GetParam().parameters;
  ASSERT_EQ(listed.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const host::Parameter& parameter = *listed[i];
    const Declared& want = expected[i];
    SCOPED_TRACE(want.label);
    EXPECT_EQ(parameter.Index(), int32_t(i));
    EXPECT_EQ(Narrow(parameter.Name()), want.label);
    EXPECT_EQ(parameter.Kind(), want.kind);
    // Both value objects hold the default.
    EXPECT_EQ(parameter.Value(), want.defaultValue);
    EXPECT_EQ(parameter.DefaultValue(), want.defaultValue);
    if (want.kind == kReal || want.kind == kInteger) {
      EXPECT_EQ(parameter.Minimum(), want.minimum);
      EXPECT_EQ(parameter.Maximum(), want.maximum);
      EXPECT_EQ(parameter.Step(), want.step);
      EXPECT_EQ(parameter.SecondaryMinimum(), want.minimum);
      EXPECT_EQ(parameter.SecondaryMaximum(), want.maximum);
    }
    std::vector<std::string> labels;
    for (const std::u16string& label : parameter.Labels()) labels.push_back(Narrow(label));
    EXPECT_EQ(parameter.ChoiceCount(), int32_t(want.choices.size()));
    EXPECT_EQ(labels, want.choices);
  }
}

INSTANTIATE_TEST_SUITE_P(Modules, DeclaredParametersTest, ::testing::ValuesIn(kModules),
                         [](const auto& info) { return std::string(info.param.module); });

}  // namespace
}  // namespace lumov::test
