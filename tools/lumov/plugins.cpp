#include "plugins.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "errors.h"
#include "plugin_module.h"

namespace lumov::tool {
namespace fs = std::filesystem;
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

fs::path ToolDirectory() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path(".") : self.parent_path();
}

}  // namespace

std::vector<fs::path> PluginDirectories(const std::string& pluginsOption) {
  if (!pluginsOption.empty()) return {fs::path(pluginsOption)};
  std::vector<fs::path> directories;
  if (const char* variable = std::getenv("LUMOV_PLUGIN_PATH"); variable && *variable) {
    const std::string list = variable;
    size_t start = 0;
    while (start <= list.size()) {
      const size_t end = std::min(list.find(':', start), list.size());
      if (end > start) directories.emplace_back(list.substr(start, end - start));
      start = end + 1;
    }
    if (!directories.empty()) return directories;
  }
  const fs::path tool = ToolDirectory();
  directories.push_back((tool / ".." / "plugins").lexically_normal());
  directories.push_back((tool / LUMOV_RELATIVE_PLUGIN_DIR).lexically_normal());
  return directories;
}

std::vector<ModuleEntry> ScanModules(const std::vector<fs::path>& directories) {
  std::vector<ModuleEntry> entries;
  for (const fs::path& directory : directories) {
    std::error_code error;
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(directory, error)) {
      if (item.path().extension() == ".fex") files.push_back(item.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      ModuleEntry entry{file, {}, {}, {}};
      std::string problem;
      if (auto module = host::PluginModule::Load(file.string(), &problem)) {
        if (auto registration = module->Register(&problem)) {
          entry.registration = *registration;
          entry.effectName = EffectNameOf(registration->name);
        }
      }
      entry.error = entry.effectName.empty() ? problem : "";
      entries.push_back(std::move(entry));
    }
  }
  return entries;
}

std::string EffectNameOf(const std::u16string& displayName) {
  const std::string name = host::ToUtf8(displayName);
  return name.substr(0, name.find(' '));
}

fs::path ResolveEffect(const std::string& effect, const std::vector<fs::path>& directories) {
  if (effect.find('/') != std::string::npos || fs::path(effect).extension() == ".fex") {
    if (!fs::is_regular_file(effect)) throw UsageError("no plug-in module " + effect);
    return effect;
  }
  const std::vector<ModuleEntry> modules = ScanModules(directories);
  std::string known;
  for (const ModuleEntry& module : modules) {
    if (module.effectName.empty()) continue;
    if (Lower(module.effectName) == Lower(effect)) return module.path;
    known += (known.empty() ? "" : ", ") + module.effectName;
  }
  if (known.empty())
    throw Failure("no plug-in modules found in " + JoinDirectories(directories) +
                  " (use --plugins DIR or LUMOV_PLUGIN_PATH)");
  throw UsageError("unknown effect \"" + effect + "\" (effects: " + known + ")");
}

std::string JoinDirectories(const std::vector<fs::path>& directories) {
  std::string text;
  for (const fs::path& directory : directories)
    text += (text.empty() ? "" : ", ") + directory.string();
  return text;
}

}  // namespace lumov::tool
