// lumov: the reference host as a command-line tool. It lists the plug-in modules, shows an
// effect's parameters, renders video files through an effect, and renders a demonstration.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "demo.h"
#include "effect_instance.h"
#include "errors.h"
#include "ffmpeg.h"
#include "options.h"
#include "parameter_values.h"
#include "plugins.h"
#include "render.h"

namespace lumov::tool {
namespace {

// Rows of columns, each column as wide as its widest cell; the last column is not padded.
void PrintTable(const std::vector<std::vector<std::string>>& rows, const std::string& indent) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : rows) {
    std::string line = indent;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
}

void List(const Options& options) {
  const auto directories = PluginDirectories(options.plugins);
  std::vector<std::vector<std::string>> rows;
  for (const ModuleEntry& entry : ScanModules(directories)) {
    if (!entry.error.empty()) {
      std::fprintf(stderr, "lumov: skipped %s: %s\n", entry.path.c_str(), entry.error.c_str());
      continue;
    }
    const host::EffectRegistration& registration = entry.registration;
    rows.push_back({entry.effectName, host::ToUtf8(registration.name),
                    host::ToUtf8(registration.category),
                    registration.classId ? host::FormatGuid(*registration.classId) : "-",
                    host::ToUtf8(registration.version), entry.path.string()});
  }
  if (rows.empty()) {
    throw Failure("no plug-in modules found in " + JoinDirectories(directories) +
                  " (use --plugins DIR or LUMOV_PLUGIN_PATH)");
  }
  PrintTable(rows, "");
}

void Info(const Options& options) {
  const auto module = ResolveEffect(options.effect, PluginDirectories(options.plugins));
  std::string error;
  auto loaded = host::PluginModule::Load(module.string(), &error);
  if (!loaded) throw Failure("cannot load " + module.string() + ": " + error);
  auto instance = host::EffectInstance::Create(std::move(loaded), &error);
  if (!instance) throw Failure(error);
  const host::EffectRegistration& registration = instance->Registration();
  std::printf("%s\n", host::ToUtf8(registration.name).c_str());
  PrintTable({{"category", host::ToUtf8(registration.category)},
              {"class", registration.classId ? host::FormatGuid(*registration.classId) : "-"},
              {"version", host::ToUtf8(registration.version)},
              {"file", module.string()}},
             "  ");
  const auto& parameters = instance->Parameters().Parameters();
  if (parameters.empty()) {
    std::printf("no parameters\n");
    return;
  }
  std::printf("parameters:\n");
  std::vector<std::vector<std::string>> rows = {{"#", "label", "kind", "range", "step", "default"}};
  for (const auto& parameter : parameters) {
    std::string range;
    std::string step;
    switch (parameter->Kind()) {
      case ParameterKind::Real:
      case ParameterKind::Integer:
        range = FormatNumber(parameter->Minimum()) + " to " + FormatNumber(parameter->Maximum());
        step = FormatNumber(parameter->Step());
        break;
      case ParameterKind::OnOff:
        range = "off, on";
        break;
      case ParameterKind::Choice:
        range = "0 to " + std::to_string(parameter->ChoiceCount() - 1);
        break;
    }
    rows.push_back({std::to_string(parameter->Index()), host::ToUtf8(parameter->Name()),
                    KindName(parameter->Kind()), range, step,
                    FormatValue(*parameter, parameter->DefaultValue())});
  }
  PrintTable(rows, "  ");
  for (const auto& parameter : parameters) {
    if (parameter->Kind() != ParameterKind::Choice) continue;
    std::string choices;
    for (int32_t i = 0; i < parameter->ChoiceCount(); ++i)
      choices += (i == 0 ? "" : ", ") + FormatValue(*parameter, i);
    std::printf("  choices of %d \"%s\": %s\n", parameter->Index(),
                host::ToUtf8(parameter->Name()).c_str(), choices.c_str());
  }
}

void RenderCommand(const Options& options) {
  RenderJob job;
  job.module = ResolveEffect(options.effect, PluginDirectories(options.plugins));
  job.input = options.input;
  job.output = options.output;
  job.parameters = options.parameters;
  job.fields = options.fields;
  job.first = options.first;
  job.last = options.last;
  job.depth = options.depth;
  job.logDirectory = options.logDirectory;
  job.quiet = options.quiet;
  job.verbose = options.verbose;
  Render(job);
}

int Run(int argc, const char* const* argv) {
  const Options options = ParseOptions(argc, argv);
  SetLibraryLogging(options.verbose);
  InstallInterruptHandler();
  switch (options.command) {
    case Command::Help:
      std::printf("%s", kUsage);
      break;
    case Command::Version:
      std::printf("lumov %s\n", LUMOV_VERSION);
      break;
    case Command::List:
      List(options);
      break;
    case Command::Info:
      Info(options);
      break;
    case Command::Render:
      RenderCommand(options);
      break;
    case Command::Demo:
      RunDemo(options.demoDirectory, PluginDirectories(options.plugins), options.quiet,
              options.verbose);
      break;
  }
  return 0;
}

}  // namespace
}  // namespace lumov::tool

int main(int argc, char** argv) {
  using namespace lumov::tool;
  try {
    return Run(argc, argv);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "lumov: %s\n", error.what());
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lumov: %s\n", error.what());
    return 1;
  }
}
