#include "parameter_set.h"

#include <algorithm>
#include <cmath>

namespace lumov::host {
namespace {

ComRef<IRootObject> NewValueObject(ParameterKind kind) {
  switch (kind) {
    case ParameterKind::Real:
      return ComRef<IRootObject>(New<DoubleValue>().Detach());
    case ParameterKind::Choice:
      return ComRef<IRootObject>(static_cast<IChoiceValue*>(New<ChoiceValue>().Detach()));
    case ParameterKind::OnOff:
      return ComRef<IRootObject>(static_cast<IBooleanValue*>(New<BooleanValue>().Detach()));
    case ParameterKind::Integer:
      break;
  }
  return ComRef<IRootObject>(static_cast<IIntegerValue*>(New<IntegerValue>().Detach()));
}

bool IsKind(int32_t kind) {
  return kind == int32_t(ParameterKind::Real) || kind == int32_t(ParameterKind::Choice) ||
         kind == int32_t(ParameterKind::OnOff) || kind == int32_t(ParameterKind::Integer);
}

}  // namespace

Parameter::Parameter(ParameterKind kind)
    : kind(kind), value(NewValueObject(kind)), defaultValue(NewValueObject(kind)) {}

int32_t Parameter::QueryInterface(const GUID* iid, void** object) {
  if (iid != nullptr && object != nullptr &&
      ((*iid == IChoiceList::kIid && kind != ParameterKind::Choice) ||
       (*iid == IDoubleRange::kIid && kind != ParameterKind::Real) ||
       (*iid == IIntegerRange::kIid && kind != ParameterKind::Integer))) {
    *object = nullptr;
    return kNoInterface;
  }
  return Base::QueryInterface(iid, object);
}

int32_t Parameter::SetName(const char16_t* newName) {
  name = newName != nullptr ? newName : u"";
  return kResultOk;
}

int32_t Parameter::SetIndex(int32_t newIndex) {
  index = newIndex;
  return kResultOk;
}

const GUID& Parameter::ValueIid() const {
  switch (kind) {
    case ParameterKind::Real:
      return IDoubleValue::kIid;
    case ParameterKind::Choice:
      return IChoiceValue::kIid;
    case ParameterKind::OnOff:
      return IBooleanValue::kIid;
    case ParameterKind::Integer:
      break;
  }
  return IIntegerValue::kIid;
}

int32_t Parameter::HandOut(IRootObject* valueObject, const GUID* iid, void** out) {
  if (out == nullptr) return kInvalidArgument;
  *out = nullptr;
  if (iid == nullptr || !(*iid == ValueIid())) return kNoInterface;
  return valueObject->QueryInterface(iid, out);
}

int32_t Parameter::GetValueObject(const GUID* iid, void** out) {
  return HandOut(value.get(), iid, out);
}

int32_t Parameter::GetDefaultObject(const GUID* iid, void** out) {
  return HandOut(defaultValue.get(), iid, out);
}

int32_t Parameter::SetCount(int32_t count) {
  if (count < 0) return kInvalidArgument;
  choiceCount = count;
  labels.resize(size_t(count));
  return kResultOk;
}

int32_t Parameter::SetLabel(int32_t labelIndex, const char16_t* label) {
  if (labelIndex < 0 || labelIndex >= choiceCount || label == nullptr) return kInvalidArgument;
  labels[size_t(labelIndex)] = label;
  return kResultOk;
}

double Parameter::ReadAsDouble(IRootObject* valueObject) const {
  if (kind == ParameterKind::Real) return static_cast<DoubleValue*>(valueObject)->GetValue();
  return static_cast<IValue<int32_t>*>(valueObject)->GetValue();
}

void Parameter::SetValue(double newValue) {
  if (kind == ParameterKind::Real) {
    static_cast<DoubleValue*>(value.get())->SetValue(newValue);
  } else {
    // Held to what 32 bits carry, so that any number a user gives becomes a defined value.
    const double held =
        std::isnan(newValue) ? 0.0 : std::clamp(newValue, -2147483648.0, 2147483647.0);
    static_cast<IValue<int32_t>*>(value.get())->SetValue(int32_t(held));
  }
}

int32_t ParameterFactory::CreateParameter(int32_t kind, const GUID* iid, IParameter** parameter) {
  if (parameter == nullptr) return kInvalidArgument;
  *parameter = nullptr;
  if (!IsKind(kind)) return kInvalidArgument;
  auto created = New<Parameter>(ParameterKind(kind));
  return created->QueryInterface(iid, reinterpret_cast<void**>(parameter));
}

int32_t ParameterSet::AddParameter(IParameter* parameter) {
  auto* ours = dynamic_cast<Parameter*>(parameter);
  if (ours == nullptr) return kInvalidArgument;
  parameters.push_back(ComRef<Parameter>::Share(ours));
  return kResultOk;
}

Parameter* ParameterSet::Find(int32_t index) const {
  for (const auto& parameter : parameters) {
    if (parameter->Index() == index) return parameter.get();
  }
  return nullptr;
}

int32_t ParameterSet::GetParameter(int32_t index, const GUID* iid, IParameter** parameter) {
  if (parameter == nullptr) return kInvalidArgument;
  *parameter = nullptr;
  Parameter* found = Find(index);
  if (found == nullptr) return kNotFound;
  return found->QueryInterface(iid, reinterpret_cast<void**>(parameter));
}

int32_t ParameterSet::GetClipTiming(ClipTiming* timing) {
  if (timing == nullptr) return kInvalidArgument;
  *timing = clipTiming;
  return kResultOk;
}

ClipTiming ClipTimingFor(int64_t frames, int64_t rateNumerator, int64_t rateDenominator) {
  // Ticks chosen so that one frame is a whole number of them.
  const int64_t ticksPerFrame = rateDenominator * 1000;
  const int64_t ticksPerSecond = rateNumerator * 1000;
  return ClipTiming{frames * ticksPerFrame, ticksPerSecond, ticksPerFrame};
}

}  // namespace lumov::host
