// Rendering a clip through one effect, the way a host drives it: the module is loaded and
// registered, the effect created, referenced, initialized and given its parameters, a frame
// source attached where the effect asks for one, and every frame passes ProcessBegin, Process
// and ProcessEnd on its way from the input to the output.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "image.h"

namespace lumov::tool {

enum class FieldsMode { Auto, Progressive, TopFieldFirst, BottomFieldFirst };

struct RenderJob {
  std::filesystem::path module;
  std::string input;
  std::string output;
  std::vector<std::string> parameters;  // NAME=VALUE as given to -p
  FieldsMode fields = FieldsMode::Auto;
  std::optional<int64_t> first;  // of the input's frames; the whole input when not given
  std::optional<int64_t> last;
  int depth = 32;
  std::string logDirectory;
  bool quiet = false;
  bool verbose = false;
  // Called with the effect's output of frame `grabFrame` (counted in the rendered clip).
  int64_t grabFrame = -1;
  std::function<void(host::Image&)> grab;
};

// Throws UsageError or Failure; an interruption is a Failure.
void Render(const RenderJob& job);

// Ctrl-C and SIGTERM only set a flag, which a render checks between frames.
void InstallInterruptHandler();
bool Interrupted();

}  // namespace lumov::tool
