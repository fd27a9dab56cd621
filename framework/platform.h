// The operating-system services the plug-ins rely on: interlocked counts, the module entry
// notification, and the file and time functions of the diagnostic log. Windows builds use the
// Win32 calls; elsewhere this layer stands in for them.
#pragma once

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#if defined(_WIN32)
#else
#include <atomic>
#endif

namespace lumov {

// How a module handle is printed: upper-case hexadecimal of the handle's full width.
#define LUMOV_HANDLE_FORMAT "%0" PRIXPTR

#if defined(_WIN32)
namespace platform {
int32_t IncrementCount(volatile int32_t* value);  // InterlockedIncrement
int32_t DecrementCount(volatile int32_t* value);  // InterlockedDecrement
}  // namespace platform

class AtomicCount {
 public:
  int32_t Increment() { return platform::IncrementCount(&value); }
  int32_t Decrement() { return platform::DecrementCount(&value); }
  int32_t Load() const { return value; }

 private:
  volatile int32_t value = 0;
};
#else
class AtomicCount {
 public:
  int32_t Increment() { return value.fetch_add(1) + 1; }
  int32_t Decrement() { return value.fetch_sub(1) - 1; }
  int32_t Load() const { return value.load(); }

 private:
  std::atomic<int32_t> value{0};
};
#endif

namespace platform {

// File and time services of the diagnostic log, replaceable so that tests can move the clock and
// make a rename fail.
struct LogServices {
  bool (*exists)(const char* path);  // a file or a directory of that name
  bool (*removeFile)(const char* path);
  bool (*renameFile)(const char* from, const char* to);
  std::FILE* (*openFile)(const char* path, const char* mode);
  std::tm (*localNow)();
};

const LogServices& SystemLogServices();

// Path of a module's log files without suffix: the module name in the log directory.
std::string LogBasePath(const char* moduleName);

// Handle of the module that contains this code.
uintptr_t ModuleHandle();

void DisableThreadNotifications(uintptr_t moduleHandle);

// Runs the module entry function for load and unload where the system does not call it itself.
// Defined after ModuleLog, so that the log is open before the first notification and still open
// after the last.
class ModuleEntryNotifier {
 public:
  using EntryFunction = int32_t (*)(uintptr_t handle, uint32_t reason);
  explicit ModuleEntryNotifier(EntryFunction entry);
  ~ModuleEntryNotifier();
  ModuleEntryNotifier(const ModuleEntryNotifier&) = delete;
  ModuleEntryNotifier& operator=(const ModuleEntryNotifier&) = delete;

 private:
  EntryFunction entry;
};

}  // namespace platform
}  // namespace lumov
