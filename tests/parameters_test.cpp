// The parameter builder and readers against recording host doubles: the exact calls, in order,
// with every release, on the way to success and on every way out; and the readers against the
// host's own parameter objects.
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "parameters.h"
#include "support.h"

namespace lumov::test {
namespace {

using host::HostObject;

std::string Narrow(const char16_t* text) {
  std::string narrow;
  for (; text != nullptr && *text != 0; ++text) narrow += char(*text);
  return narrow;
}

std::string IidName(const GUID* iid) {
  const std::pair<GUID, const char*> names[] = {
      {IParameter::kIid, "IParameter"},       {IChoiceList::kIid, "IChoiceList"},
      {IDoubleRange::kIid, "IDoubleRange"},   {IIntegerRange::kIid, "IIntegerRange"},
      {IChoiceValue::kIid, "IChoiceValue"},   {IDoubleValue::kIid, "IDoubleValue"},
      {IBooleanValue::kIid, "IBooleanValue"}, {IIntegerValue::kIid, "IIntegerValue"},
  };
  for (const auto& [guid, name] : names)
    if (iid != nullptr && *iid == guid) return name;
  return "?";
}

template <class... Values>
std::string Call(const std::string& what, const Values&... values) {
  std::ostringstream text;
  text << what << '(';
  const char* separator = "";
  ((text << separator << values, separator = ", "), ...);
  text << ')';
  return text.str();
}

// A call that fails: its code, and whether it hands out an object all the same.
struct Failure {
  int32_t code;
  bool handsOutObject;
};

// Every call the code under test makes on the doubles, and the calls that are to fail, by
// "object.Operation".
struct Recording {
  std::vector<std::string> calls;
  std::map<std::string, Failure> failures;
  bool quiet = false;  // while the test itself makes or drops doubles

  void Add(const std::string& call) {
    if (!quiet) calls.push_back(call);
  }

  const Failure* Fails(const std::string& call) const {
    const auto found = failures.find(call);
    return found == failures.end() ? nullptr : &found->second;
  }
};

// A new double, made without recording, holding the test's one reference.
template <class T, class... Arguments>
ComRef<T> Make(Recording& recording, Arguments&&... arguments) {
  const bool wasQuiet = std::exchange(recording.quiet, true);
  ComRef<T> made = host::New<T>(recording, std::forward<Arguments>(arguments)...);
  recording.quiet = wasQuiet;
  return made;
}

// Records the caller's AddRef and Release; references that a double hands out through an out
// argument are taken with TakeForCaller and not recorded.
template <class Interface>
class Recorded : public HostObject<Interface> {
  using Base = HostObject<Interface>;

 public:
  Recorded(Recording& recording, std::string name) : recording(recording), name(std::move(name)) {}

  int32_t LUMOV_CALL AddRef() override {
    recording.Add(name + ".AddRef");
    return Base::AddRef();
  }
  int32_t LUMOV_CALL Release() override {
    recording.Add(name + ".Release");
    return Base::Release();
  }
  Interface* TakeForCaller() {
    Base::AddRef();
    return this;
  }
  const std::string& Name() const { return name; }

 protected:
  void Record(const std::string& call) { recording.Add(call); }
  // Records the call and answers it: with `object`, or with the failure set for the operation,
  // its code and, when the failure says so, the object all the same.
  template <class Object>
  int32_t Answer(const std::string& operation, const std::string& call, Object* object,
                 void** out) {
    Record(call);
    *out = nullptr;
    if (const Failure* failure = recording.Fails(name + "." + operation)) {
      if (failure->handsOutObject) *out = object->TakeForCaller();
      return failure->code;
    }
    *out = object->TakeForCaller();
    return kResultOk;
  }
  int32_t Refuse(const std::string& call, void** out) {
    Record(call);
    *out = nullptr;
    return kNoInterface;
  }

  Recording& recording;

 private:
  std::string name;
};

class RecordingList : public Recorded<host::ChoiceListSlots> {
 public:
  using Recorded::Recorded;
  int32_t LUMOV_CALL SetCount(int32_t count) override {
    Record(Call(Name() + ".SetCount", count));
    return kResultOk;
  }
  int32_t LUMOV_CALL SetLabel(int32_t index, const char16_t* label) override {
    Record(Call(Name() + ".SetLabel", index, Narrow(label)));
    return kResultOk;
  }
};

template <class RangeInterface, class T>
class RecordingRange : public Recorded<host::RangeSlots<RangeInterface>> {
 public:
  using Recorded<host::RangeSlots<RangeInterface>>::Recorded;
  int32_t LUMOV_CALL SetStep(T value) override { return Note("SetStep", value); }
  int32_t LUMOV_CALL SetSecondaryMinimum(T value) override {
    return Note("SetSecondaryMinimum", value);
  }
  int32_t LUMOV_CALL SetSecondaryMaximum(T value) override {
    return Note("SetSecondaryMaximum", value);
  }
  int32_t LUMOV_CALL SetMinimum(T value) override { return Note("SetMinimum", value); }
  int32_t LUMOV_CALL SetMaximum(T value) override { return Note("SetMaximum", value); }

 private:
  int32_t Note(const char* operation, T value) {
    this->Record(Call(this->Name() + "." + operation, value));
    return kResultOk;
  }
};

template <class ValueInterface, class T>
class RecordingValue : public Recorded<host::ValueSlots<ValueInterface>> {
 public:
  using Recorded<host::ValueSlots<ValueInterface>>::Recorded;
  T LUMOV_CALL GetValue() override {
    this->Record(this->Name() + ".GetValue");
    return value;
  }
  int32_t LUMOV_CALL SetValue(T newValue) override {
    this->Record(Call(this->Name() + ".SetValue", newValue));
    value = newValue;
    return kResultOk;
  }
  T value{};
};

// A parameter whose range, choice list and value objects are objects of their own, so that each
// one's references can be followed.
class RecordingParameter : public Recorded<host::ParameterSlots> {
 public:
  RecordingParameter(Recording& recording, int32_t kind)
      : Recorded(recording, "parameter"),
        list(host::New<RecordingList>(recording, "list")),
        doubleRange(host::New<RecordingRange<IDoubleRange, double>>(recording, "range")),
        integerRange(host::New<RecordingRange<IIntegerRange, int32_t>>(recording, "range")),
        choiceValue(host::New<RecordingValue<IChoiceValue, int32_t>>(recording, "value")),
        choiceDefault(host::New<RecordingValue<IChoiceValue, int32_t>>(recording, "default")),
        doubleValue(host::New<RecordingValue<IDoubleValue, double>>(recording, "value")),
        doubleDefault(host::New<RecordingValue<IDoubleValue, double>>(recording, "default")),
        booleanValue(host::New<RecordingValue<IBooleanValue, int32_t>>(recording, "value")),
        booleanDefault(host::New<RecordingValue<IBooleanValue, int32_t>>(recording, "default")),
        integerValue(host::New<RecordingValue<IIntegerValue, int32_t>>(recording, "value")),
        integerDefault(host::New<RecordingValue<IIntegerValue, int32_t>>(recording, "default")),
        kind(kind) {}

  int32_t LUMOV_CALL QueryInterface(const GUID* iid, void** object) override {
    const std::string call = Call("parameter.QueryInterface", IidName(iid));
    if (*iid == IChoiceList::kIid && kind == 4)
      return Answer("QueryInterface", call, list.get(), object);
    if (*iid == IDoubleRange::kIid && kind == 1)
      return Answer("QueryInterface", call, doubleRange.get(), object);
    if (*iid == IIntegerRange::kIid && kind == 6)
      return Answer("QueryInterface", call, integerRange.get(), object);
    return Refuse(call, object);
  }
  int32_t LUMOV_CALL SetName(const char16_t* name) override {
    Record(Call("parameter.SetName", Narrow(name)));
    return kResultOk;
  }
  int32_t LUMOV_CALL SetIndex(int32_t index) override {
    Record(Call("parameter.SetIndex", index));
    return kResultOk;
  }
  int32_t LUMOV_CALL GetValueObject(const GUID* iid, void** value) override {
    return HandOutValue("GetValueObject", iid, value, false);
  }
  int32_t LUMOV_CALL GetDefaultObject(const GUID* iid, void** value) override {
    return HandOutValue("GetDefaultObject", iid, value, true);
  }

  // The objects besides the parameter that a caller may obtain.
  std::vector<IRootObject*> Parts() const {
    return {list.get(),           doubleRange.get(),  integerRange.get(),  choiceValue.get(),
            choiceDefault.get(),  doubleValue.get(),  doubleDefault.get(), booleanValue.get(),
            booleanDefault.get(), integerValue.get(), integerDefault.get()};
  }

  ComRef<RecordingList> list;
  ComRef<RecordingRange<IDoubleRange, double>> doubleRange;
  ComRef<RecordingRange<IIntegerRange, int32_t>> integerRange;
  ComRef<RecordingValue<IChoiceValue, int32_t>> choiceValue;
  ComRef<RecordingValue<IChoiceValue, int32_t>> choiceDefault;
  ComRef<RecordingValue<IDoubleValue, double>> doubleValue;
  ComRef<RecordingValue<IDoubleValue, double>> doubleDefault;
  ComRef<RecordingValue<IBooleanValue, int32_t>> booleanValue;
  ComRef<RecordingValue<IBooleanValue, int32_t>> booleanDefault;
  ComRef<RecordingValue<IIntegerValue, int32_t>> integerValue;
  ComRef<RecordingValue<IIntegerValue, int32_t>> integerDefault;

 private:
  int32_t HandOutValue(const char* operation, const GUID* iid, void** out, bool defaults) {
    const std::string call = Call(std::string("parameter.") + operation, IidName(iid));
    auto answer = [&](auto& current, auto& initial) {
      auto* object = defaults ? initial.get() : current.get();
      return Answer(operation, call, object, out);
    };
    if (*iid == IChoiceValue::kIid) return answer(choiceValue, choiceDefault);
    if (*iid == IDoubleValue::kIid) return answer(doubleValue, doubleDefault);
    if (*iid == IBooleanValue::kIid) return answer(booleanValue, booleanDefault);
    if (*iid == IIntegerValue::kIid) return answer(integerValue, integerDefault);
    return Refuse(call, out);
  }

  int32_t kind;
};

class RecordingFactory : public Recorded<host::ParameterFactorySlots> {
 public:
  RecordingFactory(Recording& recording) : Recorded(recording, "factory") {}
  int32_t LUMOV_CALL CreateParameter(int32_t kind, const GUID* iid,
                                     IParameter** parameter) override {
    // Dropping the last parameter is the test's business, not a call under test.
    const bool wasQuiet = std::exchange(recording.quiet, true);
    made = host::New<RecordingParameter>(recording, kind);
    recording.quiet = wasQuiet;
    return Answer("CreateParameter", Call("factory.CreateParameter", kind, IidName(iid)),
                  made.get(), reinterpret_cast<void**>(parameter));
  }
  ComRef<RecordingParameter> made;  // the last parameter made
};

class RecordingSet : public Recorded<host::ParameterSetSlots> {
 public:
  RecordingSet(Recording& recording) : Recorded(recording, "set") {}
  int32_t LUMOV_CALL AddParameter(IParameter* parameter) override {
    const auto* ours = dynamic_cast<RecordingParameter*>(parameter);
    Record(Call("set.AddParameter", ours != nullptr ? ours->Name() : "?"));
    if (const Failure* failure = recording.Fails("set.AddParameter")) return failure->code;
    return kResultOk;
  }
  int32_t LUMOV_CALL GetParameter(int32_t index, const GUID* iid, IParameter** parameter) override {
    return Answer("GetParameter", Call("set.GetParameter", index, IidName(iid)), held.get(),
                  reinterpret_cast<void**>(parameter));
  }
  int32_t LUMOV_CALL GetClipTiming(ClipTiming*) override { return kResultOk; }
  ComRef<RecordingParameter> held;  // what GetParameter gives, whatever the index
};

using Calls = std::vector<std::string>;

class BuilderTest : public ::testing::Test {
 protected:
  // Every double is back to the one reference the test holds.
  void ExpectBalanced() {
    std::vector<IRootObject*> objects = {factory.get(), set.get()};
    for (RecordingParameter* parameter : {factory->made.get(), set->held.get()}) {
      if (parameter == nullptr) continue;
      objects.push_back(parameter);
      for (IRootObject* part : parameter->Parts()) objects.push_back(part);
    }
    for (IRootObject* object : objects) EXPECT_EQ(object->GetRefCount(), 1);
  }
  void TearDown() override { ExpectBalanced(); }

  Recording recording;
  ComRef<RecordingFactory> factory = Make<RecordingFactory>(recording);
  ComRef<RecordingSet> set = Make<RecordingSet>(recording);
  ParameterBuilder builder{set.get(), factory.get()};
};

// ---- Declaration ----

enum class Declaration { Choice, Real, Integer, OnOff };

const std::vector<const char16_t*> kFourLabels = {u"a", u"b", u"c", u"d"};

int32_t Declare(ParameterBuilder& builder, Declaration declaration) {
  switch (declaration) {
    case Declaration::Choice:
      return builder.AddChoiceParameter(u"Mode", 3, 2, 4, &kFourLabels);
    case Declaration::Real:
      return builder.AddDoubleParameter(u"Size", 1, 25.0, 0.1, -100.0, 100.0, -1.0, -1.0);
    case Declaration::Integer:
      return builder.AddIntegerParameter(u"Count", 2, 5, 1, 2, 10, -1, -1);
    case Declaration::OnOff:
      return builder.AddBooleanParameter(u"Flag", 4, 1);
  }
  return -1;
}

// The complete call sequence of each declaration above when nothing fails.
Calls SuccessfulCalls(Declaration declaration) {
  switch (declaration) {
    case Declaration::Choice:
      return {"factory.CreateParameter(4, IParameter)",
              "parameter.SetName(Mode)",
              "parameter.SetIndex(3)",
              "parameter.QueryInterface(IChoiceList)",
              "list.SetCount(4)",
              "list.SetLabel(0, a)",
              "list.SetLabel(1, b)",
              "list.SetLabel(2, c)",
              "list.SetLabel(3, d)",
              "list.Release",
              "parameter.GetValueObject(IChoiceValue)",
              "value.SetValue(2)",
              "parameter.GetDefaultObject(IChoiceValue)",
              "default.SetValue(2)",
              "set.AddParameter(parameter)",
              "default.Release",
              "value.Release",
              "parameter.Release"};
    case Declaration::Real:
      return {"factory.CreateParameter(1, IParameter)",
              "parameter.SetName(Size)",
              "parameter.SetIndex(1)",
              "parameter.QueryInterface(IDoubleRange)",
              "range.SetStep(0.1)",
              "range.SetMinimum(-100)",
              "range.SetMaximum(100)",
              "range.SetSecondaryMinimum(-100)",
              "range.SetSecondaryMaximum(100)",
              "parameter.GetValueObject(IDoubleValue)",
              "value.SetValue(25)",
              "parameter.GetDefaultObject(IDoubleValue)",
              "default.SetValue(25)",
              "set.AddParameter(parameter)",
              "default.Release",
              "value.Release",
              "range.Release",
              "parameter.Release"};
    case Declaration::Integer:
      return {"factory.CreateParameter(6, IParameter)",
              "parameter.SetName(Count)",
              "parameter.SetIndex(2)",
              "parameter.QueryInterface(IIntegerRange)",
              "range.SetStep(1)",
              "range.SetMinimum(2)",
              "range.SetMaximum(10)",
              "range.SetSecondaryMinimum(2)",
              "range.SetSecondaryMaximum(10)",
              "parameter.GetValueObject(IIntegerValue)",
              "value.SetValue(5)",
              "parameter.GetDefaultObject(IIntegerValue)",
              "default.SetValue(5)",
              "set.AddParameter(parameter)",
              "default.Release",
              "value.Release",
              "range.Release",
              "parameter.Release"};
    case Declaration::OnOff:
      return {"factory.CreateParameter(5, IParameter)",
              "parameter.SetName(Flag)",
              "parameter.SetIndex(4)",
              "parameter.GetValueObject(IBooleanValue)",
              "value.SetValue(1)",
              "parameter.GetDefaultObject(IBooleanValue)",
              "default.SetValue(1)",
              "set.AddParameter(parameter)",
              "default.Release",
              "value.Release",
              "parameter.Release"};
  }
  return {};
}

const char* NameOf(Declaration declaration) {
  const char* names[] = {"choice", "real", "integer", "on/off"};
  return names[int(declaration)];
}

TEST_F(BuilderTest, EachKindMakesItsCallsInOrderAndReleasesEverything) {
  for (Declaration declaration :
       {Declaration::Choice, Declaration::Real, Declaration::Integer, Declaration::OnOff}) {
    SCOPED_TRACE(NameOf(declaration));
    recording.calls.clear();
    EXPECT_EQ(Declare(builder, declaration), kResultOk);
    EXPECT_EQ(recording.calls, SuccessfulCalls(declaration));
    ExpectBalanced();
  }
}

TEST_F(BuilderTest, NoSetOrNoFactoryDeclaresNothing) {
  ParameterBuilder withoutSet(nullptr, factory.get());
  ParameterBuilder withoutFactory(set.get(), nullptr);
  for (ParameterBuilder* incomplete : {&withoutSet, &withoutFactory}) {
    for (Declaration declaration :
         {Declaration::Choice, Declaration::Real, Declaration::Integer, Declaration::OnOff}) {
      SCOPED_TRACE(NameOf(declaration));
      EXPECT_EQ(Declare(*incomplete, declaration), kParameterNotDeclared);
    }
  }
  EXPECT_EQ(recording.calls, Calls{});
}

TEST_F(BuilderTest, ChoiceLabelsAgainstTheCount) {
  const std::vector<const char16_t*> fiveLabels = {u"a", u"b", u"c", u"d", u"e"};
  const std::vector<const char16_t*> noLabels;
  struct Case {
    const char* name;
    int32_t count;
    const std::vector<const char16_t*>* labels;
    int32_t result;
    Calls listCalls;  // the calls between SetIndex and GetValueObject
  };
  const Case cases[] = {
      {"more labels than the count: the list is set up to the count, nothing is added",
       4,
       &fiveLabels,
       kParameterNotDeclared,
       {"parameter.QueryInterface(IChoiceList)", "list.SetCount(4)", "list.Release",
        "parameter.Release"}},
      {"no label array",
       4,
       nullptr,
       kResultOk,
       {"parameter.QueryInterface(IChoiceList)", "list.SetCount(4)", "list.Release"}},
      {"an empty label array",
       2,
       &noLabels,
       kResultOk,
       {"parameter.QueryInterface(IChoiceList)", "list.SetCount(2)", "list.Release"}},
      {"fewer labels than the count",
       6,
       &kFourLabels,
       kResultOk,
       {"parameter.QueryInterface(IChoiceList)", "list.SetCount(6)", "list.SetLabel(0, a)",
        "list.SetLabel(1, b)", "list.SetLabel(2, c)", "list.SetLabel(3, d)", "list.Release"}},
      {"count 0 never asks for the list", 0, nullptr, kResultOk, {}},
      {"count 0 with labels: the labels are never looked at", 0, &fiveLabels, kResultOk, {}},
  };
  const Calls head = {"factory.CreateParameter(4, IParameter)", "parameter.SetName(Mode)",
                      "parameter.SetIndex(0)"};
  const Calls tail = {"parameter.GetValueObject(IChoiceValue)",
                      "value.SetValue(1)",
                      "parameter.GetDefaultObject(IChoiceValue)",
                      "default.SetValue(1)",
                      "set.AddParameter(parameter)",
                      "default.Release",
                      "value.Release",
                      "parameter.Release"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recording.calls.clear();
    EXPECT_EQ(builder.AddChoiceParameter(u"Mode", 0, 1, c.count, c.labels), c.result);
    Calls expected = head;
    expected.insert(expected.end(), c.listCalls.begin(), c.listCalls.end());
    if (c.result == kResultOk) expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(recording.calls, expected);
    ExpectBalanced();
  }
}

// The secondary minimum alone decides: at -1 both secondary limits follow the main ones.
TEST_F(BuilderTest, SecondaryLimits) {
  struct Case {
    double secondaryMinimum;
    double secondaryMaximum;
    double expectedMinimum;
    double expectedMaximum;
  };
  const Case cases[] = {
      {-1, -1, 2, 10}, {0, 50, 0, 50}, {-1, 50, 2, 10}, {5, -1, 5, -1}, {3, 7, 3, 7},
  };
  auto rangeCalls = [&](const Calls& calls) {
    Calls found;
    for (const std::string& call : calls)
      if (call.starts_with("range.SetSecondary")) found.push_back(call);
    return found;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Call("secondary limits", c.secondaryMinimum, c.secondaryMaximum));
    const Calls expected = {Call("range.SetSecondaryMinimum", c.expectedMinimum),
                            Call("range.SetSecondaryMaximum", c.expectedMaximum)};
    recording.calls.clear();
    builder.AddDoubleParameter(u"Real", 0, 4.0, 0.5, 2.0, 10.0, c.secondaryMinimum,
                               c.secondaryMaximum);
    EXPECT_EQ(rangeCalls(recording.calls), expected) << "real";
    recording.calls.clear();
    builder.AddIntegerParameter(u"Integer", 0, 4, 1, 2, 10, int32_t(c.secondaryMinimum),
                                int32_t(c.secondaryMaximum));
    EXPECT_EQ(rangeCalls(recording.calls), expected) << "integer";
  }
}

// Each failing request: the code the builder returns, and the releases after the failing call.
// The calls up to the failing one are those of the successful declaration.
TEST_F(BuilderTest, EveryFailureReleasesWhatWasObtainedInOrder) {
  using enum Declaration;
  constexpr int32_t kHost = 0x7123;
  constexpr int32_t kNotDeclared = kParameterNotDeclared;
  struct Case {
    Declaration declaration;
    const char* failing;  // "object.Operation"
    bool handsOutObject;  // the failing request hands out an object all the same
    int32_t result;
    const char* released;  // the objects released after the failing call, in order
  };
  const Case cases[] = {
      {Choice, "factory.CreateParameter", false, kNotDeclared, ""},
      {Choice, "factory.CreateParameter", true, kNotDeclared, "parameter"},
      {Choice, "parameter.QueryInterface", false, kHost, "parameter"},
      {Choice, "parameter.QueryInterface", true, kHost, "list parameter"},
      {Choice, "parameter.GetValueObject", false, kHost, "parameter"},
      {Choice, "parameter.GetValueObject", true, kHost, "value parameter"},
      {Choice, "parameter.GetDefaultObject", false, kHost, "value parameter"},
      {Choice, "parameter.GetDefaultObject", true, kHost, "default value parameter"},
      {Real, "factory.CreateParameter", true, kNotDeclared, "parameter"},
      {Real, "parameter.QueryInterface", false, kHost, "parameter"},
      {Real, "parameter.QueryInterface", true, kHost, "range parameter"},
      {Real, "parameter.GetValueObject", true, kHost, "value range parameter"},
      {Real, "parameter.GetDefaultObject", false, kHost, "value range parameter"},
      {Real, "parameter.GetDefaultObject", true, kHost, "default value range parameter"},
      {Integer, "factory.CreateParameter", false, kNotDeclared, ""},
      {Integer, "parameter.QueryInterface", true, kHost, "range parameter"},
      {Integer, "parameter.GetValueObject", false, kHost, "range parameter"},
      {Integer, "parameter.GetDefaultObject", true, kHost, "default value range parameter"},
      {OnOff, "factory.CreateParameter", true, kNotDeclared, "parameter"},
      {OnOff, "parameter.GetValueObject", true, kHost, "value parameter"},
      {OnOff, "parameter.GetDefaultObject", false, kHost, "value parameter"},
      {OnOff, "parameter.GetDefaultObject", true, kHost, "default value parameter"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(NameOf(c.declaration)) + ", " + c.failing +
                 (c.handsOutObject ? " failing with an object" : " failing"));
    recording.calls.clear();
    recording.failures = {{c.failing, {kHost, c.handsOutObject}}};
    EXPECT_EQ(Declare(builder, c.declaration), c.result);
    Calls expected;
    for (const std::string& call : SuccessfulCalls(c.declaration)) {
      expected.push_back(call);
      if (call.starts_with(std::string(c.failing) + "(")) break;
    }
    std::istringstream released(c.released);
    for (std::string object; released >> object;) expected.push_back(object + ".Release");
    EXPECT_EQ(recording.calls, expected);
    ExpectBalanced();
  }
}

// The set's code comes back unchanged, after everything has been released as on success.
TEST_F(BuilderTest, AddParameterCodeIsReturnedAfterTheReleases) {
  for (Declaration declaration :
       {Declaration::Choice, Declaration::Real, Declaration::Integer, Declaration::OnOff}) {
    SCOPED_TRACE(NameOf(declaration));
    recording.calls.clear();
    recording.failures = {{"set.AddParameter", {0x7456, false}}};
    EXPECT_EQ(Declare(builder, declaration), 0x7456);
    EXPECT_EQ(recording.calls, SuccessfulCalls(declaration));
  }
}

// ---- Reading ----

TEST_F(BuilderTest, ReaderCallsAndReleases) {
  set->held = Make<RecordingParameter>(recording, 5);
  set->held->booleanValue->value = 1;
  bool on = false;
  EXPECT_EQ(ReadBoolean(set.get(), 7, IBooleanValue::kIid, &on), kResultOk);
  EXPECT_TRUE(on);
  EXPECT_EQ(recording.calls,
            (Calls{"set.GetParameter(7, IParameter)", "parameter.GetValueObject(IBooleanValue)",
                   "value.GetValue", "value.Release", "parameter.Release"}));
}

TEST_F(BuilderTest, FailedReadsLeaveTheOutputAndReleaseWhatTheyGot) {
  constexpr int32_t kHostCode = 0x7321;
  struct Case {
    const char* failing;
    bool handsOutObject;
    Calls calls;
  };
  const Case cases[] = {
      {"set.GetParameter", false, {"set.GetParameter(1, IParameter)"}},
      {"set.GetParameter", true, {"set.GetParameter(1, IParameter)", "parameter.Release"}},
      {"parameter.GetValueObject",
       false,
       {"set.GetParameter(1, IParameter)", "parameter.GetValueObject(IDoubleValue)",
        "parameter.Release"}},
      {"parameter.GetValueObject",
       true,
       {"set.GetParameter(1, IParameter)", "parameter.GetValueObject(IDoubleValue)",
        "value.Release", "parameter.Release"}},
  };
  set->held = Make<RecordingParameter>(recording, 1);
  set->held->doubleValue->value = 42.0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.failing) + (c.handsOutObject ? " with an object" : ""));
    recording.calls.clear();
    recording.failures = {{c.failing, {kHostCode, c.handsOutObject}}};
    // Not the usual zero, to show that a failed read writes nothing at all.
    double value = -1.5;
    EXPECT_EQ(ReadDouble(set.get(), 1, IDoubleValue::kIid, &value), kHostCode);
    EXPECT_EQ(value, -1.5);
    EXPECT_EQ(recording.calls, c.calls);
    ExpectBalanced();
  }
}

TEST_F(BuilderTest, OnlyTheLowByteOfAnOnOffValueCounts) {
  struct Case {
    int32_t answer;
    bool expected;
  };
  const Case cases[] = {{0, false},  {1, true},     {256, false},
                        {257, true}, {-256, false}, {0x7F000080, true}};
  set->held = Make<RecordingParameter>(recording, 5);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    set->held->booleanValue->value = c.answer;
    bool on = !c.expected;
    EXPECT_EQ(ReadBoolean(set.get(), 0, IBooleanValue::kIid, &on), kResultOk);
    EXPECT_EQ(on, c.expected);
  }
}

// The readers against the host's own parameters, declared through the builder.
class HostParametersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ParameterBuilder builder(set.get(), factory.get());
    const std::vector<const char16_t*> labels = {u"One", u"Two", u"Three"};
    ASSERT_EQ(builder.AddChoiceParameter(u"Choice", 0, 2, 3, &labels), kResultOk);
    ASSERT_EQ(builder.AddDoubleParameter(u"Real", 1, 12.5, 0.1, -100, 100, -1, -1), kResultOk);
    ASSERT_EQ(builder.AddBooleanParameter(u"OnOff", 2, 1), kResultOk);
    ASSERT_EQ(builder.AddIntegerParameter(u"Integer", 3, -7, 1, -10, 10, -1, -1), kResultOk);
  }
  void TearDown() override {
    EXPECT_EQ(set->GetRefCount(), 1);
    EXPECT_EQ(factory->GetRefCount(), 1);
    for (const auto& parameter : set->Parameters()) {
      EXPECT_EQ(parameter->GetRefCount(), 1);
      EXPECT_EQ(parameter->ValueObject()->GetRefCount(), 1);
      EXPECT_EQ(parameter->DefaultObject()->GetRefCount(), 1);
    }
  }

  ComRef<host::ParameterSet> set = host::New<host::ParameterSet>();
  ComRef<host::ParameterFactory> factory = host::New<host::ParameterFactory>();
};

TEST_F(HostParametersTest, ReadersGiveTheDefaultThenTheValueTheHostSets) {
  int32_t choice = 0;
  double real = 0.0;
  bool onOff = false;
  int32_t integer = 0;
  EXPECT_EQ(ReadChoice(set.get(), 0, IChoiceValue::kIid, &choice), kResultOk);
  EXPECT_EQ(ReadDouble(set.get(), 1, IDoubleValue::kIid, &real), kResultOk);
  EXPECT_EQ(ReadBoolean(set.get(), 2, IBooleanValue::kIid, &onOff), kResultOk);
  EXPECT_EQ(ReadInteger(set.get(), 3, IIntegerValue::kIid, &integer), kResultOk);
  EXPECT_EQ(choice, 2);
  EXPECT_EQ(real, 12.5);
  EXPECT_TRUE(onOff);
  EXPECT_EQ(integer, -7);

  set->Find(0)->SetValue(1);
  set->Find(1)->SetValue(-3.25);
  set->Find(2)->SetValue(0);
  set->Find(3)->SetValue(9);
  EXPECT_EQ(ReadChoice(set.get(), 0, IChoiceValue::kIid, &choice), kResultOk);
  EXPECT_EQ(ReadDouble(set.get(), 1, IDoubleValue::kIid, &real), kResultOk);
  EXPECT_EQ(ReadBoolean(set.get(), 2, IBooleanValue::kIid, &onOff), kResultOk);
  EXPECT_EQ(ReadInteger(set.get(), 3, IIntegerValue::kIid, &integer), kResultOk);
  EXPECT_EQ(choice, 1);
  EXPECT_EQ(real, -3.25);
  EXPECT_FALSE(onOff);
  EXPECT_EQ(integer, 9);
  // The default objects keep the declared defaults.
  EXPECT_EQ(set->Find(1)->DefaultValue(), 12.5);
}

// Whatever number a user gives an integer kind, the host stores a value 32 bits can carry.
TEST_F(HostParametersTest, IntegerValuesAreTruncatedAndHeldTo32Bits) {
  const std::pair<double, int32_t> cases[] = {
      {7.9, 7}, {-7.9, -7}, {1e12, 2147483647}, {-1e12, -2147483647 - 1}, {std::nan(""), 0},
  };
  for (const auto& [given, stored] : cases) {
    SCOPED_TRACE(given);
    set->Find(3)->SetValue(given);
    int32_t integer = 0;
    EXPECT_EQ(ReadInteger(set.get(), 3, IIntegerValue::kIid, &integer), kResultOk);
    EXPECT_EQ(integer, stored);
  }
}

TEST_F(HostParametersTest, AMissingIndexLeavesThePresetAndReturnsTheContextsCode) {
  IParameter* none = nullptr;
  const int32_t code = set->GetParameter(9, &IParameter::kIid, &none);
  ASSERT_NE(code, kResultOk);
  int32_t integer = 0;
  double real = 0.0;
  bool onOff = false;
  EXPECT_EQ(ReadInteger(set.get(), 9, IIntegerValue::kIid, &integer), code);
  EXPECT_EQ(ReadDouble(set.get(), 9, IDoubleValue::kIid, &real), code);
  EXPECT_EQ(ReadBoolean(set.get(), 9, IBooleanValue::kIid, &onOff), code);
  EXPECT_EQ(integer, 0);
  EXPECT_EQ(real, 0.0);
  EXPECT_FALSE(onOff);
  // Asking with the value interface of another kind fails the same way.
  EXPECT_NE(ReadDouble(set.get(), 3, IDoubleValue::kIid, &real), kResultOk);
  EXPECT_EQ(real, 0.0);
}

}  // namespace
}  // namespace lumov::test
