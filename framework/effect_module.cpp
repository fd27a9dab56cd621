#include "effect_module.h"

#include "log_file.h"
#include "platform.h"

namespace lumov {
namespace {

constexpr int32_t kLogLineLimit = 10000;
constexpr char16_t kCategory[] = u"Lumo Video Plugins";
constexpr char16_t kVersion[] = u"1.0";

std::string MarkerPath() {
  return platform::LogBasePath(kModule.moduleName) + ".sem";
}

}  // namespace

// Constructed before the entry notifier and destroyed after it: the log is open for the entry
// function's lines at load and unload, and its closing notice comes last.
LogFile ModuleLog(platform::LogBasePath(kModule.moduleName), kLogLineLimit, MarkerPath().c_str());

uint32_t moduleInstanceCounter = 0;

int32_t ModuleEntry(uintptr_t handle, uint32_t reason) {
  ModuleLog.Write("=========================== DllMain called ===========================");
  ModuleLog.Write("DllMain Handle=" LUMOV_HANDLE_FORMAT " Reason_for_call=%i", handle, int(reason));
  platform::DisableThreadNotifications(handle);
  return 1;
}

namespace {
platform::ModuleEntryNotifier moduleEntryNotifier(&ModuleEntry);
}

}  // namespace lumov

using namespace lumov;

extern "C" LUMOV_EXPORT int32_t LUMOV_CALL registerEffects(IEffectLoader* loader,
                                                           IEffectDescriptor* descriptor) {
  ModuleLog.Write("registerEffects (Start)");
  descriptor->SetCategory(kCategory);
  descriptor->SetName(kModule.displayNameForHost);
  descriptor->SetClassId(&kModule.classId);
  descriptor->SetVersion(kVersion);
  IDescriptorOptions* options = nullptr;
  descriptor->QueryInterface(&IDescriptorOptions::kIid, reinterpret_cast<void**>(&options));
  if (options != nullptr) options->SetOptions(1, 0, 0);
  const int32_t inputsResult = descriptor->AddInputs(kModule.firstInput, kModule.secondInput);
  ModuleLog.Write("AddInputs return=%i", inputsResult);
  const int32_t result = loader->RegisterEffect(descriptor);
  ModuleLog.Write("Loader return=%0XH", unsigned(result));
  if (result == kResultOk) {
    ModuleLog.Write("########## Effect [%s] registered ##########", kModule.displayName);
    ModuleLog.Write("registerEffects (End)");
  }
  if (options != nullptr) options->Release();
  return result;
}

extern "C" LUMOV_EXPORT IRenderEffect* LUMOV_CALL createEffect(const GUID* classId) {
  if (classId == nullptr) return nullptr;
  if (!kModule.createLogsClassName) {
    ModuleLog.Write("createEffect GUID=%i", int32_t(classId->Data1));
  }
  if (!(*classId == kModule.classId)) return nullptr;
  if (kModule.createLogsClassName) ModuleLog.Write("createEffect: %s", kModule.effectClassName);
  return CreateModuleEffect();
}
