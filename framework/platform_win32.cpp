#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "effect_module.h"
#include "platform.h"

namespace lumov::platform {
namespace {

bool Exists(const char* path) {
  struct _stat status;
  return ::_stat(path, &status) == 0;
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
  ::localtime_s(&local, &now);
  return local;
}

constexpr LogServices kSystemServices{Exists, RemoveFile, RenameFile, OpenFile, LocalNow};

}  // namespace

int32_t IncrementCount(volatile int32_t* value) {
  return ::InterlockedIncrement(reinterpret_cast<volatile LONG*>(value));
}

int32_t DecrementCount(volatile int32_t* value) {
  return ::InterlockedDecrement(reinterpret_cast<volatile LONG*>(value));
}

const LogServices& SystemLogServices() {
  return kSystemServices;
}

// A path from the root of the current drive.
std::string LogBasePath(const char* moduleName) {
  return std::string("\\") + moduleName;
}

uintptr_t ModuleHandle() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ModuleHandle), &module);
  return reinterpret_cast<uintptr_t>(module);
}

void DisableThreadNotifications(uintptr_t moduleHandle) {
  ::DisableThreadLibraryCalls(reinterpret_cast<HMODULE>(moduleHandle));
}

// The system calls DllMain itself.
ModuleEntryNotifier::ModuleEntryNotifier(EntryFunction entry) : entry(entry) {}
ModuleEntryNotifier::~ModuleEntryNotifier() = default;

}  // namespace lumov::platform

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  return lumov::ModuleEntry(reinterpret_cast<uintptr_t>(instance), reason);
}
