// One effect object of a loaded module, driven the way a host drives it: registered, created,
// referenced, initialized and given its parameters, with the host objects of every frame.
#pragma once

#include <memory>
#include <string>

#include "image.h"
#include "parameter_set.h"
#include "plugin_module.h"

namespace lumov::host {

class EffectInstance {
 public:
  // Null with a message in `error` when the module registers nothing or makes no object.
  static std::unique_ptr<EffectInstance> Create(std::unique_ptr<PluginModule> module,
                                                std::string* error);
  // Releases the effect object, then unloads the module.
  ~EffectInstance();
  EffectInstance(const EffectInstance&) = delete;
  EffectInstance& operator=(const EffectInstance&) = delete;

  IRenderEffect* Effect() const { return effect; }
  const PluginModule& Module() const { return *module; }
  const EffectRegistration& Registration() const { return registration; }

  ParameterSet& Parameters() const { return *parameters; }
  ParameterFactory& Factory() const { return *parameterFactory; }
  ImageFactory& Images() const { return *imageFactory; }
  FramePosition& Position() const { return *position; }
  ImageHolder& Input() const { return *input; }
  ImageHolder& Output() const { return *output; }
  InputList* Inputs() { return &inputs; }

  int32_t Begin();
  int32_t Process();
  int32_t End();

  // Drops the instance's reference to the effect object early; the count it left.
  int32_t ReleaseEffect();

 private:
  EffectInstance(std::unique_ptr<PluginModule> module, EffectRegistration registration);

  std::unique_ptr<PluginModule> module;
  EffectRegistration registration;
  IRenderEffect* effect = nullptr;  // one reference held
  ComRef<ParameterSet> parameters;
  ComRef<ParameterFactory> parameterFactory;
  ComRef<ImageFactory> imageFactory;
  ComRef<FramePosition> position;
  ComRef<ImageHolder> input;
  ComRef<ImageHolder> output;
  IImageHolder* inputHolders[1] = {};
  InputList inputs{};
};

}  // namespace lumov::host
