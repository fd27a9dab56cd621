// The command line: lumov [--plugins DIR] [--verbose] [--quiet] COMMAND ...
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "render.h"

namespace lumov::tool {

enum class Command { Help, Version, List, Info, Render, Demo };

struct Options {
  Command command = Command::Help;
  std::string plugins;
  bool verbose = false;
  bool quiet = false;
  std::string effect;  // info, render
  // render
  std::string input;
  std::string output;
  std::vector<std::string> parameters;
  FieldsMode fields = FieldsMode::Auto;
  std::optional<int64_t> first;
  std::optional<int64_t> last;
  int depth = 32;
  std::string logDirectory;
  // demo
  std::string demoDirectory = "lumov-demo";
};

// Throws UsageError.
Options ParseOptions(int argc, const char* const* argv);

extern const char* const kUsage;

}  // namespace lumov::tool
