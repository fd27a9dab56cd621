// Parameter values from the command line, "-p NAME=VALUE" or with key frames
// "-p NAME=VALUE@FRAME,VALUE@FRAME,...", checked against what the effect declared and set on the
// host's parameters for every frame.
#pragma once

#include <string>
#include <vector>

#include "parameter_set.h"

namespace lumov::tool {

struct Keyframe {
  int64_t frame = 0;
  double value = 0.0;
};

struct ParameterSetting {
  host::Parameter* parameter = nullptr;
  std::vector<Keyframe> keys;  // ascending frames; one key holds its value for the whole clip
};

// One setting per parameter named, in the order given; a parameter named again takes the later
// value. Throws UsageError naming the parameter and what it allows.
std::vector<ParameterSetting> ParseSettings(const std::vector<std::string>& arguments,
                                            const host::ParameterSet& parameters,
                                            const std::string& effectName);

// The value at `frame`: real and integer parameters are interpolated linearly between key frames
// (integers rounded), choices and on/off switches hold the value of the last key frame reached.
double ValueAt(const ParameterSetting& setting, int64_t frame);

void ApplySettings(const std::vector<ParameterSetting>& settings, int64_t frame);

// Texts for `lumov info`.
std::string KindName(ParameterKind kind);
std::string FormatNumber(double value);
std::string FormatValue(const host::Parameter& parameter, double value);
std::string DescribeAllowed(const host::Parameter& parameter);

}  // namespace lumov::tool
