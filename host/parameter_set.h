// The host's parameter objects: what a plug-in declares is kept so that a host can list it and
// set the values of every frame.
#pragma once

#include <string>
#include <vector>

#include "host_object.h"
#include "parameters.h"

namespace lumov::host {

template <class Interface, class T>
class ParameterValue : public HostObject<ValueSlots<Interface>> {
 public:
  T LUMOV_CALL GetValue() override { return value; }
  int32_t LUMOV_CALL SetValue(T newValue) override {
    value = newValue;
    return kResultOk;
  }

 private:
  T value{};
};

using ChoiceValue = ParameterValue<IChoiceValue, int32_t>;
using DoubleValue = ParameterValue<IDoubleValue, double>;
using BooleanValue = ParameterValue<IBooleanValue, int32_t>;
using IntegerValue = ParameterValue<IIntegerValue, int32_t>;

// A parameter of one kind. It answers IChoiceList only as a choice, IDoubleRange only as a real
// and IIntegerRange only as an integer parameter, and hands out the value objects of its kind.
class Parameter : public HostObject<ParameterSlots, ChoiceListSlots, RangeSlots<IDoubleRange>,
                                    RangeSlots<IIntegerRange>> {
  using Base = HostObject<ParameterSlots, ChoiceListSlots, RangeSlots<IDoubleRange>,
                          RangeSlots<IIntegerRange>>;

 public:
  explicit Parameter(ParameterKind kind);

  int32_t LUMOV_CALL QueryInterface(const GUID* iid, void** object) override;

  int32_t LUMOV_CALL SetName(const char16_t* name) override;
  int32_t LUMOV_CALL SetIndex(int32_t index) override;
  int32_t LUMOV_CALL GetValueObject(const GUID* iid, void** value) override;
  int32_t LUMOV_CALL GetDefaultObject(const GUID* iid, void** value) override;

  int32_t LUMOV_CALL SetCount(int32_t count) override;
  int32_t LUMOV_CALL SetLabel(int32_t index, const char16_t* label) override;

  int32_t LUMOV_CALL SetStep(double value) override { return Set(step, value); }
  int32_t LUMOV_CALL SetSecondaryMinimum(double value) override {
    return Set(secondaryMinimum, value);
  }
  int32_t LUMOV_CALL SetSecondaryMaximum(double value) override {
    return Set(secondaryMaximum, value);
  }
  int32_t LUMOV_CALL SetMinimum(double value) override { return Set(minimum, value); }
  int32_t LUMOV_CALL SetMaximum(double value) override { return Set(maximum, value); }
  int32_t LUMOV_CALL SetStep(int32_t value) override { return Set(step, value); }
  int32_t LUMOV_CALL SetSecondaryMinimum(int32_t value) override {
    return Set(secondaryMinimum, value);
  }
  int32_t LUMOV_CALL SetSecondaryMaximum(int32_t value) override {
    return Set(secondaryMaximum, value);
  }
  int32_t LUMOV_CALL SetMinimum(int32_t value) override { return Set(minimum, value); }
  int32_t LUMOV_CALL SetMaximum(int32_t value) override { return Set(maximum, value); }

  // What the plug-in declared.
  ParameterKind Kind() const { return kind; }
  const std::u16string& Name() const { return name; }
  int32_t Index() const { return index; }
  double Step() const { return step; }
  double Minimum() const { return minimum; }
  double Maximum() const { return maximum; }
  double SecondaryMinimum() const { return secondaryMinimum; }
  double SecondaryMaximum() const { return secondaryMaximum; }
  int32_t ChoiceCount() const { return choiceCount; }
  // Labels by position; positions the plug-in left unlabelled are empty.
  const std::vector<std::u16string>& Labels() const { return labels; }

  // The current value (what the readers see) and the default, whatever the kind, as a double.
  double Value() const { return ReadAsDouble(value.get()); }
  double DefaultValue() const { return ReadAsDouble(defaultValue.get()); }
  IRootObject* ValueObject() const { return value.get(); }
  IRootObject* DefaultObject() const { return defaultValue.get(); }
  // Sets the current value; integer kinds take it truncated toward zero and held to 32 bits.
  void SetValue(double newValue);

 private:
  template <class T>
  int32_t Set(double& field, T newValue) {
    field = double(newValue);
    return kResultOk;
  }
  double ReadAsDouble(IRootObject* valueObject) const;
  const GUID& ValueIid() const;
  int32_t HandOut(IRootObject* valueObject, const GUID* iid, void** out);

  ParameterKind kind;
  std::u16string name;
  int32_t index = -1;
  double step = 0.0;
  double minimum = 0.0;
  double maximum = 0.0;
  double secondaryMinimum = 0.0;
  double secondaryMaximum = 0.0;
  int32_t choiceCount = 0;
  std::vector<std::u16string> labels;
  ComRef<IRootObject> value;
  ComRef<IRootObject> defaultValue;
};

class ParameterFactory : public HostObject<ParameterFactorySlots> {
 public:
  int32_t LUMOV_CALL CreateParameter(int32_t kind, const GUID* iid,
                                     IParameter** parameter) override;
};

// The parameters an effect declared, which is also the per-frame context the effect reads them
// from, with the clip's timing.
class ParameterSet : public HostObject<ParameterSetSlots> {
 public:
  int32_t LUMOV_CALL AddParameter(IParameter* parameter) override;
  int32_t LUMOV_CALL GetParameter(int32_t index, const GUID* iid, IParameter** parameter) override;
  int32_t LUMOV_CALL GetClipTiming(ClipTiming* timing) override;

  // In the order they were added.
  const std::vector<ComRef<Parameter>>& Parameters() const { return parameters; }
  Parameter* Find(int32_t index) const;
  void SetClipTiming(const ClipTiming& timing) { clipTiming = timing; }

 private:
  std::vector<ComRef<Parameter>> parameters;
  ClipTiming clipTiming{};
};

// The timing record of a clip of `frames` frames at `rateNumerator`/`rateDenominator` frames per
// second: A in ticks, B ticks per second, C ticks per frame, so that (A/B)*(B/C) = frames.
ClipTiming ClipTimingFor(int64_t frames, int64_t rateNumerator = 25, int64_t rateDenominator = 1);

}  // namespace lumov::host
