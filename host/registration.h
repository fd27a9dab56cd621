// The host's loader and descriptor: they record what a module registers.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "host_object.h"

namespace lumov::host {

struct EffectRegistration {
  std::u16string name;
  std::u16string category;
  std::u16string version;
  std::optional<GUID> classId;
  std::optional<std::array<int32_t, 2>> inputs;
  std::optional<std::array<int32_t, 3>> options;
};

// Answers IDescriptorOptions as well.
class EffectDescriptor : public HostObject<EffectDescriptorSlots, DescriptorOptionsSlots> {
 public:
  int32_t LUMOV_CALL SetName(const char16_t* name) override;
  int32_t LUMOV_CALL SetCategory(const char16_t* category) override;
  int32_t LUMOV_CALL SetVersion(const char16_t* version) override;
  int32_t LUMOV_CALL SetClassId(const GUID* classId) override;
  int32_t LUMOV_CALL AddInputs(int32_t first, int32_t second) override;
  int32_t LUMOV_CALL SetOptions(int32_t a, int32_t b, int32_t c) override;

  const EffectRegistration& Registration() const { return registration; }

 private:
  EffectRegistration registration;
};

class EffectLoader : public HostObject<IEffectLoader> {
 public:
  // The code RegisterEffect answers with; 0 accepts the registration.
  explicit EffectLoader(int32_t answer = kResultOk) : answer(answer) {}

  int32_t LUMOV_CALL RegisterEffect(IEffectDescriptor* descriptor) override;

  // What each accepted RegisterEffect call registered, in order.
  const std::vector<EffectRegistration>& Registered() const { return registered; }

 private:
  int32_t answer;
  std::vector<EffectRegistration> registered;
};

std::string ToUtf8(const std::u16string& text);
std::u16string ToUtf16(const std::string& text);
std::string FormatGuid(const GUID& guid);  // registry form, upper case

}  // namespace lumov::host
