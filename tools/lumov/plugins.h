// Where the tool finds plug-in modules, and which module holds the effect a command names.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "registration.h"

namespace lumov::tool {

// `--plugins DIR` when given; else the directories of LUMOV_PLUGIN_PATH (colon-separated); else
// ../plugins beside the tool (the build tree) and the installed plug-in directory.
std::vector<std::filesystem::path> PluginDirectories(const std::string& pluginsOption);

struct ModuleEntry {
  std::filesystem::path path;
  host::EffectRegistration registration;
  std::string effectName;  // the display name's first word
  std::string error;       // why the module could not be loaded or registered; empty if it was
};

// Every .fex file of the directories, in directory order and by name within one, loaded and
// registered (and unloaded again).
std::vector<ModuleEntry> ScanModules(const std::vector<std::filesystem::path>& directories);

std::string EffectNameOf(const std::u16string& displayName);

// The module of an effect name (case-insensitive) or the path of a .fex file. Throws UsageError
// for an unknown effect and Failure when no module is found at all.
std::filesystem::path ResolveEffect(const std::string& effect,
                                    const std::vector<std::filesystem::path>& directories);

std::string JoinDirectories(const std::vector<std::filesystem::path>& directories);

}  // namespace lumov::tool
