// What distinguishes one plug-in module from another. Each effect folder defines kModule and
// CreateModuleEffect; the framework's module entry, registerEffects and createEffect use them.
#pragma once

#include <cstdint>

#include "host_interfaces.h"

#if defined(_WIN32)
#define LUMOV_EXPORT  // exported by name and ordinal through the module definition file
#else
#define LUMOV_EXPORT __attribute__((visibility("default")))
#endif

namespace lumov {

struct ModuleDefinition {
  const char* moduleName;              // file name without extension; names the log files too
  const char* displayName;             // for the log
  const char16_t* displayNameForHost;  // the same text for the host
  GUID classId;
  int32_t firstInput;  // AddInputs arguments
  int32_t secondInput;
  const char* effectClassName;     // heads the object's log lines ("Mirror::Initialize ...")
  const char* imageDataClassName;  // heads the first frame's image data lines
  // Whether createEffect logs the class name; otherwise it logs the GUID's first field.
  bool createLogsClassName;
};

extern const ModuleDefinition kModule;

// Counts the module's initialized effect objects; never reset while the module is loaded.
extern uint32_t moduleInstanceCounter;

// Makes a new effect object of this module with no reference taken; null when out of memory.
IRenderEffect* CreateModuleEffect();

// The module entry function: called by the system on Windows, by the platform layer elsewhere.
int32_t ModuleEntry(uintptr_t handle, uint32_t reason);

}  // namespace lumov
