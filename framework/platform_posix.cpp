#include "platform.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>

namespace lumov::platform {
namespace {

bool Exists(const char* path) {
  struct stat status;
  return ::stat(path, &status) == 0;
}

bool RemoveFile(const char* path) {
  return std::remove(path) == 0;
}

bool RenameFile(const char* from, const char* to) {
  return std::rename(from, to) == 0;
}

std::FILE* OpenFile(const char* path, const char* mode) {
  return std::fopen(path, mode);
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

constexpr LogServices kSystemServices{Exists, RemoveFile, RenameFile, OpenFile, LocalNow};

}  // namespace

const LogServices& SystemLogServices() {
  return kSystemServices;
}

std::string LogBasePath(const char* moduleName) {
  const char* directory = std::getenv("LUMOV_LOG_DIR");
  std::string path = directory != nullptr ? directory : "";
  if (path.empty() || path.back() != '/') path += '/';
  return path + moduleName;
}

uintptr_t ModuleHandle() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<const void*>(&ModuleHandle), &info) == 0) return 0;
  return reinterpret_cast<uintptr_t>(info.dli_fbase);
}

// Threads are not announced to shared objects, so there is nothing to switch off.
void DisableThreadNotifications(uintptr_t) {}

constexpr uint32_t kProcessAttach = 1;
constexpr uint32_t kProcessDetach = 0;

ModuleEntryNotifier::ModuleEntryNotifier(EntryFunction entry) : entry(entry) {
  entry(ModuleHandle(), kProcessAttach);
}

ModuleEntryNotifier::~ModuleEntryNotifier() {
  entry(ModuleHandle(), kProcessDetach);
}

}  // namespace lumov::platform
