// `lumov demo`: the built-in clip through all five effects with settings that show what each
// does, and a labelled contact sheet of the source and every result at the same frame.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lumov::tool {

void RunDemo(const std::filesystem::path& directory,
             const std::vector<std::filesystem::path>& pluginDirectories, bool quiet, bool verbose);

}  // namespace lumov::tool
