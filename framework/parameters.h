// Declaring an effect's parameters with the host and reading their values for a frame.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "host_interfaces.h"

namespace lumov {

enum class ParameterKind : int32_t { Real = 1, Choice = 4, OnOff = 5, Integer = 6 };

class ParameterBuilder {
 public:
  ParameterBuilder(IParameterSet* set, IParameterFactory* factory) : set(set), factory(factory) {}

  // Each returns 0 when the parameter was added, else the code of the first failure.
  int32_t AddChoiceParameter(const char16_t* name, int32_t index, int32_t defaultIndex,
                             int32_t count, const std::vector<const char16_t*>* labels);
  int32_t AddDoubleParameter(const char16_t* name, int32_t index, double defaultValue, double step,
                             double minimum, double maximum, double secondaryMinimum,
                             double secondaryMaximum);
  int32_t AddIntegerParameter(const char16_t* name, int32_t index, int32_t defaultValue,
                              int32_t step, int32_t minimum, int32_t maximum,
                              int32_t secondaryMinimum, int32_t secondaryMaximum);
  int32_t AddBooleanParameter(const char16_t* name, int32_t index, int32_t defaultValue);

 private:
  IParameterSet* set;
  IParameterFactory* factory;
};

// One row of an effect's parameter table; the row's position is the parameter's index.
struct ParameterDeclaration {
  const char16_t* label;
  ParameterKind kind;
  double minimum = 0.0;
  double maximum = 0.0;
  double defaultValue = 0.0;
  double step = 0.0;
  std::initializer_list<const char16_t*> choices = {};
};

// Declares the table's parameters in index order; a failed declaration does not stop the rest.
void DeclareParameters(ParameterBuilder& builder, std::span<const ParameterDeclaration> table);

// Readers: store the value of the context's parameter `index` into `value` only on success, and
// return the host's code.
int32_t ReadChoice(IParameterSet* context, int32_t index, const GUID& valueIid, int32_t* value);
int32_t ReadInteger(IParameterSet* context, int32_t index, const GUID& valueIid, int32_t* value);
int32_t ReadDouble(IParameterSet* context, int32_t index, const GUID& valueIid, double* value);
// Only the low byte of the value object's answer counts.
int32_t ReadBoolean(IParameterSet* context, int32_t index, const GUID& valueIid, bool* value);

}  // namespace lumov
