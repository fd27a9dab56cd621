// A plug-in module loaded into the host process, and what it registers.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host_interfaces.h"
#include "registration.h"

namespace lumov::host {

class PluginModule {
 public:
  // Loads the module and finds its two exports; null with a message in `error` on failure.
  static std::unique_ptr<PluginModule> Load(const std::string& path, std::string* error);
  // Unloads the module for real (its closing log notice is written).
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  const std::string& Path() const { return path; }
  RegisterEffectsFunction RegisterEffects() const { return registerEffects; }
  CreateEffectFunction CreateEffect() const { return createEffect; }

  // Calls registerEffects with a fresh loader and descriptor; the registration when the module
  // registered its effect, else nothing (with the code in `error`).
  std::optional<EffectRegistration> Register(std::string* error = nullptr) const;

 private:
  PluginModule(std::string path, void* handle, RegisterEffectsFunction registerEffects,
               CreateEffectFunction createEffect);

  std::string path;
  void* handle;
  RegisterEffectsFunction registerEffects;
  CreateEffectFunction createEffect;
};

}  // namespace lumov::host
