#include "parameter_values.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "errors.h"
#include "registration.h"

namespace lumov::tool {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// Labels match whatever the case and without a trailing colon ("Display/Render:").
std::string MatchKey(const std::string& label) {
  std::string key = Lower(Trim(label));
  while (!key.empty() && key.back() == ':') key.pop_back();
  return Trim(key);
}

// The label that `wanted` names: the one it equals, else the only one it begins; -1 when none or
// several do, so that "display" finds "Display/Render:" and "move" finds "Move Hotspot".
ptrdiff_t MatchLabel(const std::vector<std::string>& labels, const std::string& wanted) {
  const std::string key = MatchKey(wanted);
  if (key.empty()) return -1;
  ptrdiff_t prefixed = -1;
  int prefixes = 0;
  for (size_t i = 0; i < labels.size(); ++i) {
    const std::string label = MatchKey(labels[i]);
    if (label == key) return ptrdiff_t(i);
    if (label.compare(0, key.size(), key) == 0) {
      prefixed = ptrdiff_t(i);
      ++prefixes;
    }
  }
  return prefixes == 1 ? prefixed : -1;
}

std::string LabelOf(const host::Parameter& parameter) {
  return host::ToUtf8(parameter.Name());
}

bool ParseReal(const std::string& text, double* value) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtod(trimmed.c_str(), &end);
  return errno == 0 && *end == '\0' && std::isfinite(*value);
}

bool ParseInteger(const std::string& text, int64_t* value) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtoll(trimmed.c_str(), &end, 10);
  return errno == 0 && *end == '\0';
}

bool IsIndex(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

host::Parameter* FindParameter(const std::string& name, const host::ParameterSet& parameters,
                               const std::string& effectName) {
  const std::string wanted = Trim(name);
  if (IsIndex(wanted) && wanted.size() < 10) {
    if (host::Parameter* found = parameters.Find(std::atoi(wanted.c_str()))) return found;
  } else {
    std::vector<std::string> labels;
    for (const auto& parameter : parameters.Parameters()) labels.push_back(LabelOf(*parameter));
    const ptrdiff_t found = MatchLabel(labels, wanted);
    if (found >= 0) return parameters.Parameters()[size_t(found)].get();
  }
  std::string known;
  for (const auto& parameter : parameters.Parameters()) {
    known += (known.empty() ? "" : ", ") + std::to_string(parameter->Index()) + " \"" +
             LabelOf(*parameter) + "\"";
  }
  throw UsageError("unknown parameter \"" + wanted + "\" for " + effectName + " (" +
                   (known.empty() ? "it has no parameters" : "its parameters: " + known) + ")");
}

double ParseValue(const host::Parameter& parameter, const std::string& text,
                  const std::string& argument) {
  const auto refuse = [&]() {
    return UsageError("-p " + argument + ": \"" + LabelOf(parameter) + "\" takes " +
                      DescribeAllowed(parameter) + ", not \"" + Trim(text) + "\"");
  };
  switch (parameter.Kind()) {
    case ParameterKind::Real: {
      double value = 0.0;
      if (!ParseReal(text, &value) || value < parameter.Minimum() || value > parameter.Maximum())
        throw refuse();
      return value;
    }
    case ParameterKind::Integer: {
      int64_t value = 0;
      if (!ParseInteger(text, &value) || double(value) < parameter.Minimum() ||
          double(value) > parameter.Maximum())
        throw refuse();
      return double(value);
    }
    case ParameterKind::OnOff: {
      const std::string word = Lower(Trim(text));
      if (word == "on" || word == "true" || word == "yes" || word == "1") return 1.0;
      if (word == "off" || word == "false" || word == "no" || word == "0") return 0.0;
      throw refuse();
    }
    case ParameterKind::Choice: {
      std::vector<std::string> labels;
      for (const std::u16string& label : parameter.Labels()) labels.push_back(host::ToUtf8(label));
      const ptrdiff_t found = MatchLabel(labels, text);
      if (found >= 0) return double(found);
      int64_t index = 0;
      if (IsIndex(Trim(text)) && ParseInteger(text, &index) && index < parameter.ChoiceCount())
        return double(index);
      throw refuse();
    }
  }
  throw refuse();
}

std::vector<Keyframe> ParseKeys(const host::Parameter& parameter, const std::string& text,
                                const std::string& argument) {
  if (text.find('@') == std::string::npos) return {{0, ParseValue(parameter, text, argument)}};
  std::vector<Keyframe> keys;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, end - start);
    start = end + 1;
    const size_t at = item.rfind('@');
    int64_t frame = 0;
    if (at == std::string::npos || !ParseInteger(item.substr(at + 1), &frame) || frame < 0 ||
        !IsIndex(Trim(item.substr(at + 1)))) {
      throw UsageError("-p " + argument + ": \"" + Trim(item) +
                       "\" is not VALUE@FRAME (key frames look like -100@0,100@99)");
    }
    if (!keys.empty() && frame <= keys.back().frame)
      throw UsageError("-p " + argument + ": key frames must come in increasing frame order");
    keys.push_back({frame, ParseValue(parameter, item.substr(0, at), argument)});
  }
  return keys;
}

}  // namespace

std::vector<ParameterSetting> ParseSettings(const std::vector<std::string>& arguments,
                                            const host::ParameterSet& parameters,
                                            const std::string& effectName) {
  std::vector<ParameterSetting> settings;
  for (const std::string& argument : arguments) {
    const size_t equals = argument.find('=');
    if (equals == std::string::npos || Trim(argument.substr(0, equals)).empty())
      throw UsageError("-p " + argument + ": expected NAME=VALUE");
    host::Parameter* parameter = FindParameter(argument.substr(0, equals), parameters, effectName);
    ParameterSetting setting{parameter,
                             ParseKeys(*parameter, argument.substr(equals + 1), argument)};
    bool replaced = false;
    for (auto& earlier : settings) {
      if (earlier.parameter == parameter) {
        earlier = setting;
        replaced = true;
      }
    }
    if (!replaced) settings.push_back(std::move(setting));
  }
  return settings;
}

double ValueAt(const ParameterSetting& setting, int64_t frame) {
  const auto& keys = setting.keys;
  if (frame <= keys.front().frame) return keys.front().value;
  if (frame >= keys.back().frame) return keys.back().value;
  size_t i = 0;
  while (keys[i + 1].frame <= frame) ++i;
  const Keyframe& from = keys[i];
  const Keyframe& to = keys[i + 1];
  const ParameterKind kind = setting.parameter->Kind();
  if (kind != ParameterKind::Real && kind != ParameterKind::Integer) return from.value;
  const double share = double(frame - from.frame) / double(to.frame - from.frame);
  const double value = from.value + (to.value - from.value) * share;
  return kind == ParameterKind::Integer ? std::round(value) : value;
}

void ApplySettings(const std::vector<ParameterSetting>& settings, int64_t frame) {
  for (const ParameterSetting& setting : settings)
    setting.parameter->SetValue(ValueAt(setting, frame));
}

std::string KindName(ParameterKind kind) {
  switch (kind) {
    case ParameterKind::Real:
      return "real";
    case ParameterKind::Integer:
      return "integer";
    case ParameterKind::OnOff:
      return "on/off";
    case ParameterKind::Choice:
      return "choice";
  }
  return "unknown";
}

std::string FormatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

std::string FormatValue(const host::Parameter& parameter, double value) {
  switch (parameter.Kind()) {
    case ParameterKind::OnOff:
      return value != 0.0 ? "on" : "off";
    case ParameterKind::Choice: {
      const auto index = int64_t(value);
      const auto& labels = parameter.Labels();
      if (index >= 0 && size_t(index) < labels.size())
        return std::to_string(index) + " \"" + host::ToUtf8(labels[size_t(index)]) + "\"";
      return std::to_string(index);
    }
    default:
      return FormatNumber(value);
  }
}

std::string DescribeAllowed(const host::Parameter& parameter) {
  switch (parameter.Kind()) {
    case ParameterKind::Real:
      return "a number from " + FormatNumber(parameter.Minimum()) + " to " +
             FormatNumber(parameter.Maximum());
    case ParameterKind::Integer:
      return "a whole number from " + FormatNumber(parameter.Minimum()) + " to " +
             FormatNumber(parameter.Maximum());
    case ParameterKind::OnOff:
      return "on or off (true/false, yes/no, 1/0)";
    case ParameterKind::Choice: {
      std::string choices;
      for (int32_t i = 0; i < parameter.ChoiceCount(); ++i)
        choices += (i == 0 ? "" : ", ") + FormatValue(parameter, i);
      return "one of " + choices;
    }
  }
  return "nothing";
}

}  // namespace lumov::tool
