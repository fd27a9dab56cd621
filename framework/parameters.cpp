#include "parameters.h"

#include "com_ref.h"

namespace lumov {
namespace {

// Sets the current and the default value of a new parameter and adds it to the set. The value
// objects are released before the parameter, which the caller holds.
template <class ValueInterface, class T>
int32_t SetValuesAndAdd(IParameterSet* set, IParameter* parameter, T defaultValue) {
  ComRef<ValueInterface> value;
  int32_t result = parameter->GetValueObject(&ValueInterface::kIid, value.PutVoid());
  if (result != kResultOk) return result;
  value->SetValue(defaultValue);
  ComRef<ValueInterface> defaults;
  result = parameter->GetDefaultObject(&ValueInterface::kIid, defaults.PutVoid());
  if (result != kResultOk) return result;
  defaults->SetValue(defaultValue);
  return set->AddParameter(parameter);
}

template <class RangeInterface, class ValueInterface, class T>
int32_t AddRangedParameter(IParameterSet* set, IParameterFactory* factory, ParameterKind kind,
                           const char16_t* name, int32_t index, T defaultValue, T step, T minimum,
                           T maximum, T secondaryMinimum, T secondaryMaximum) {
  if (set == nullptr || factory == nullptr) return kParameterNotDeclared;
  ComRef<IParameter> parameter;
  if (factory->CreateParameter(int32_t(kind), &IParameter::kIid, parameter.Put()) != kResultOk)
    return kParameterNotDeclared;
  parameter->SetName(name);
  parameter->SetIndex(index);
  ComRef<RangeInterface> range;
  const int32_t result = parameter->QueryInterface(&RangeInterface::kIid, range.PutVoid());
  if (result != kResultOk) return result;
  range->SetStep(step);
  range->SetMinimum(minimum);
  range->SetMaximum(maximum);
  // The secondary minimum alone decides whether both secondary limits follow the main ones.
  const bool followMain = secondaryMinimum == T(-1);
  range->SetSecondaryMinimum(followMain ? minimum : secondaryMinimum);
  range->SetSecondaryMaximum(followMain ? maximum : secondaryMaximum);
  return SetValuesAndAdd<ValueInterface>(set, parameter.get(), defaultValue);
}

template <class T>
int32_t ReadValue(IParameterSet* context, int32_t index, const GUID& valueIid, T* output) {
  ComRef<IParameter> parameter;
  int32_t result = context->GetParameter(index, &IParameter::kIid, parameter.Put());
  if (result != kResultOk) return result;
  ComRef<IValue<T>> value;
  result = parameter->GetValueObject(&valueIid, value.PutVoid());
  if (result == kResultOk) *output = value->GetValue();
  return result;
}

}  // namespace

int32_t ParameterBuilder::AddChoiceParameter(const char16_t* name, int32_t index,
                                             int32_t defaultIndex, int32_t count,
                                             const std::vector<const char16_t*>* labels) {
  if (set == nullptr || factory == nullptr) return kParameterNotDeclared;
  ComRef<IParameter> parameter;
  if (factory->CreateParameter(int32_t(ParameterKind::Choice), &IParameter::kIid,
                               parameter.Put()) != kResultOk)
    return kParameterNotDeclared;
  parameter->SetName(name);
  parameter->SetIndex(index);
  if (count != 0) {
    ComRef<IChoiceList> list;
    const int32_t result = parameter->QueryInterface(&IChoiceList::kIid, list.PutVoid());
    if (result != kResultOk) return result;
    list->SetCount(count);
    if (labels != nullptr) {
      if (int64_t(labels->size()) > int64_t(count)) return kParameterNotDeclared;
      for (size_t i = 0; i < labels->size(); ++i) list->SetLabel(int32_t(i), (*labels)[i]);
    }
  }
  return SetValuesAndAdd<IChoiceValue>(set, parameter.get(), defaultIndex);
}

int32_t ParameterBuilder::AddDoubleParameter(const char16_t* name, int32_t index,
                                             double defaultValue, double step, double minimum,
                                             double maximum, double secondaryMinimum,
                                             double secondaryMaximum) {
  return AddRangedParameter<IDoubleRange, IDoubleValue>(set, factory, ParameterKind::Real, name,
                                                        index, defaultValue, step, minimum, maximum,
                                                        secondaryMinimum, secondaryMaximum);
}

int32_t ParameterBuilder::AddIntegerParameter(const char16_t* name, int32_t index,
                                              int32_t defaultValue, int32_t step, int32_t minimum,
                                              int32_t maximum, int32_t secondaryMinimum,
                                              int32_t secondaryMaximum) {
  return AddRangedParameter<IIntegerRange, IIntegerValue>(
      set, factory, ParameterKind::Integer, name, index, defaultValue, step, minimum, maximum,
      secondaryMinimum, secondaryMaximum);
}

int32_t ParameterBuilder::AddBooleanParameter(const char16_t* name, int32_t index,
                                              int32_t defaultValue) {
  if (set == nullptr || factory == nullptr) return kParameterNotDeclared;
  ComRef<IParameter> parameter;
  if (factory->CreateParameter(int32_t(ParameterKind::OnOff), &IParameter::kIid, parameter.Put()) !=
      kResultOk)
    return kParameterNotDeclared;
  parameter->SetName(name);
  parameter->SetIndex(index);
  return SetValuesAndAdd<IBooleanValue>(set, parameter.get(), defaultValue);
}

void DeclareParameters(ParameterBuilder& builder, std::span<const ParameterDeclaration> table) {
  int32_t index = 0;
  for (const ParameterDeclaration& row : table) {
    switch (row.kind) {
      case ParameterKind::Real:
        builder.AddDoubleParameter(row.label, index, row.defaultValue, row.step, row.minimum,
                                   row.maximum, -1.0, -1.0);
        break;
      case ParameterKind::Integer:
        builder.AddIntegerParameter(row.label, index, int32_t(row.defaultValue), int32_t(row.step),
                                    int32_t(row.minimum), int32_t(row.maximum), -1, -1);
        break;
      case ParameterKind::OnOff:
        builder.AddBooleanParameter(row.label, index, int32_t(row.defaultValue));
        break;
      case ParameterKind::Choice: {
        const std::vector<const char16_t*> labels(row.choices);
        builder.AddChoiceParameter(row.label, index, int32_t(row.defaultValue),
                                   int32_t(labels.size()), &labels);
        break;
      }
    }
    ++index;
  }
}

int32_t ReadChoice(IParameterSet* context, int32_t index, const GUID& valueIid, int32_t* value) {
  return ReadValue(context, index, valueIid, value);
}

int32_t ReadInteger(IParameterSet* context, int32_t index, const GUID& valueIid, int32_t* value) {
  return ReadValue(context, index, valueIid, value);
}

int32_t ReadDouble(IParameterSet* context, int32_t index, const GUID& valueIid, double* value) {
  return ReadValue(context, index, valueIid, value);
}

int32_t ReadBoolean(IParameterSet* context, int32_t index, const GUID& valueIid, bool* value) {
  int32_t answer = 0;
  const int32_t result = ReadValue(context, index, valueIid, &answer);
  if (result == kResultOk) *value = (answer & 0xFF) != 0;
  return result;
}

}  // namespace lumov
