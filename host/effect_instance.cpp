#include "effect_instance.h"

#include <utility>

namespace lumov::host {

std::unique_ptr<EffectInstance> EffectInstance::Create(std::unique_ptr<PluginModule> module,
                                                       std::string* error) {
  auto registration = module->Register(error);
  if (!registration) return nullptr;
  if (!registration->classId) {
    if (error != nullptr) *error = module->Path() + ": the module registered no class id";
    return nullptr;
  }
  std::unique_ptr<EffectInstance> instance(
      new EffectInstance(std::move(module), std::move(*registration)));
  instance->effect = instance->module->CreateEffect()(&*instance->registration.classId);
  if (instance->effect == nullptr) {
    if (error != nullptr) *error = instance->module->Path() + ": createEffect made no object";
    return nullptr;
  }
  instance->effect->AddRef();
  instance->effect->Initialize();
  instance->effect->AllocateParameterSet(instance->parameters.get(),
                                         instance->parameterFactory.get());
  return instance;
}

EffectInstance::EffectInstance(std::unique_ptr<PluginModule> module,
                               EffectRegistration registration)
    : module(std::move(module)),
      registration(std::move(registration)),
      parameters(New<ParameterSet>()),
      parameterFactory(New<ParameterFactory>()),
      imageFactory(New<ImageFactory>()),
      position(New<FramePosition>()),
      input(New<ImageHolder>()),
      output(New<ImageHolder>()) {
  inputHolders[0] = input.get();
  inputs.holders = inputHolders;
}

EffectInstance::~EffectInstance() {
  ReleaseEffect();
}

int32_t EffectInstance::ReleaseEffect() {
  if (effect == nullptr) return 0;
  return std::exchange(effect, nullptr)->Release();
}

int32_t EffectInstance::Begin() {
  return effect->ProcessBegin(output.get(), &inputs, parameters.get(), position.get(),
                              imageFactory.get());
}

int32_t EffectInstance::Process() {
  return effect->Process(output.get(), &inputs, parameters.get(), position.get(),
                         imageFactory.get());
}

int32_t EffectInstance::End() {
  return effect->ProcessEnd(output.get(), &inputs, parameters.get(), position.get(),
                            imageFactory.get());
}

}  // namespace lumov::host
