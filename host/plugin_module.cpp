#include "plugin_module.h"

#include <dlfcn.h>

namespace lumov::host {

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string* error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (error != nullptr) *error = ::dlerror();
    return nullptr;
  }
  auto registerEffects =
      reinterpret_cast<RegisterEffectsFunction>(::dlsym(handle, "registerEffects"));
  auto createEffect = reinterpret_cast<CreateEffectFunction>(::dlsym(handle, "createEffect"));
  if (registerEffects == nullptr || createEffect == nullptr) {
    if (error != nullptr)
      *error = path + ": not a plug-in module (registerEffects or createEffect missing)";
    ::dlclose(handle);
    return nullptr;
  }
  return std::unique_ptr<PluginModule>(
      new PluginModule(path, handle, registerEffects, createEffect));
}

PluginModule::PluginModule(std::string path, void* handle, RegisterEffectsFunction registerEffects,
                           CreateEffectFunction createEffect)
    : path(std::move(path)),
      handle(handle),
      registerEffects(registerEffects),
      createEffect(createEffect) {}

PluginModule::~PluginModule() {
  ::dlclose(handle);
}

std::optional<EffectRegistration> PluginModule::Register(std::string* error) const {
  auto loader = New<EffectLoader>();
  auto descriptor = New<EffectDescriptor>();
  const int32_t result = registerEffects(loader.get(), descriptor.get());
  if (result != kResultOk || loader->Registered().empty()) {
    if (error != nullptr) {
      char text[64];
      std::snprintf(text, sizeof text, "registerEffects failed with code %d (0x%X)", result,
                    unsigned(result));
      *error = path + ": " + text;
    }
    return std::nullopt;
  }
  return loader->Registered().back();
}

}  // namespace lumov::host
