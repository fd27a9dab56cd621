// Modules as a host sees them: registration, effect objects, identity and reference counting,
// instance numbers, and the log a module leaves from load to unload.
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <regex>

#include "support.h"

namespace lumov::test {
namespace {

// Written out here rather than taken from the framework, so that a wrong constant there shows.
constexpr GUID kRootIid = "{D0412A67-8488-491F-8210-D43A96922C64}"_guid;
constexpr GUID kRenderEffectIid = "{AC5709C0-2B88-4650-96D6-671629FC5293}"_guid;
constexpr GUID kFrameAccessIid = "{D769F4DC-7EA5-4051-8B05-F520EC36CDDD}"_guid;
constexpr GUID kPropertiesIid = "{295050F4-5A76-460D-BD76-D6BAB46AA444}"_guid;
constexpr GUID kOptionsIid = "{BA0DE517-F4EC-4FD0-A3CE-55CE943059ED}"_guid;
constexpr GUID kSupportedFeature = "{816398F2-E6E3-4A06-9331-0CC13195257F}"_guid;
// An interface's IID, no module's class; its first field logs as -1403582016.
constexpr GUID kForeignGuid = "{AC5709C0-2B88-4650-96D6-671629FC5293}"_guid;

struct ModuleCase {
  const char* module;
  const char* effectClass;
  const char* displayName;
  GUID classId;
  std::array<int32_t, 2> inputs;
  bool logsGuid;           // createEffect logs the GUID's first field for every call
  const char* createLine;  // what createEffect logs for the module's own class
  bool framesAccess;       // answers IFrameAccess
};

// clang-format off
constexpr ModuleCase kModules[] = {
    {"LumovMirror", "Mirror", "Mirror (V1.2 by Lumo)",
     "{2CF5CDA2-BA06-4102-8E1B-FEEB6D83D1F9}"_guid, {1, -1}, true,
     "createEffect GUID=754306466", false},
    {"LumovMultiple", "Multiple", "Multiple (V1.1 by Lumo)",
     "{7A6FEFC1-E03C-479D-9B65-7B7B54EAF993}"_guid, {1, 4}, true,
     "createEffect GUID=2054156225", false},
    {"LumovHotspot", "RenderHotspot", "Hotspot (V1.0 by Lumo)",
     "{C0340313-02D5-4D8E-ABFB-DF916DE4659B}"_guid, {1, 4}, false,
     "createEffect: RenderHotspot", false},
    {"LumovHotspotMove", "RenderHotspotMove", "HotspotMove (V1.0 by Lumo)",
     "{6AB20A8B-64ED-4BA9-B327-2C2BE469C4B8}"_guid, {1, 4}, false,
     "createEffect: RenderHotspotMove", false},
    {"LumovReverse", "RenderReverse", "Reverse (V1.1 by Lumo)",
     "{79FB05E4-D87E-41F2-AB96-966343AD58E5}"_guid, {1, -1}, false,
     "createEffect: RenderReverse", true},
};
// clang-format on

void PrintTo(const ModuleCase& module, std::ostream* out) {
  *out << module.module;
}

// The same GUID with one byte behind the first field changed.
GUID NearlyEqual(GUID guid) {
  guid.Data4[7] ^= 0x01;
  return guid;
}

std::vector<std::string> Containing(const std::vector<std::string>& lines,
                                    const std::string& text) {
  std::vector<std::string> found;
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) found.push_back(line);
  return found;
}

// Records, in one list, the calls a module makes on the descriptor and the loader.
class RecordingDescriptor : public host::EffectDescriptor {
 public:
  RecordingDescriptor(std::vector<std::string>& calls, bool answersOptions)
      : calls(calls), answersOptions(answersOptions) {}

  int32_t LUMOV_CALL QueryInterface(const GUID* iid, void** object) override {
    const bool options = *iid == kOptionsIid;
    calls.push_back(options ? "QueryInterface(options)" : "QueryInterface(other)");
    if (options && !answersOptions) {
      *object = nullptr;
      return kNoInterface;
    }
    return EffectDescriptor::QueryInterface(iid, object);
  }
  int32_t LUMOV_CALL SetName(const char16_t* name) override {
    calls.push_back("SetName");
    return EffectDescriptor::SetName(name);
  }
  int32_t LUMOV_CALL SetCategory(const char16_t* category) override {
    calls.push_back("SetCategory");
    return EffectDescriptor::SetCategory(category);
  }
  int32_t LUMOV_CALL SetVersion(const char16_t* version) override {
    calls.push_back("SetVersion");
    return EffectDescriptor::SetVersion(version);
  }
  int32_t LUMOV_CALL SetClassId(const GUID* classId) override {
    calls.push_back("SetClassId");
    return EffectDescriptor::SetClassId(classId);
  }
  int32_t LUMOV_CALL AddInputs(int32_t first, int32_t second) override {
    calls.push_back("AddInputs");
    return EffectDescriptor::AddInputs(first, second);
  }
  int32_t LUMOV_CALL SetOptions(int32_t a, int32_t b, int32_t c) override {
    calls.push_back("SetOptions");
    return EffectDescriptor::SetOptions(a, b, c);
  }

 private:
  std::vector<std::string>& calls;
  bool answersOptions;
};

class RecordingLoader : public host::EffectLoader {
 public:
  RecordingLoader(std::vector<std::string>& calls, int32_t answer)
      : EffectLoader(answer), calls(calls) {}

  int32_t LUMOV_CALL RegisterEffect(IEffectDescriptor* descriptor) override {
    calls.push_back("RegisterEffect");
    return EffectLoader::RegisterEffect(descriptor);
  }

 private:
  std::vector<std::string>& calls;
};

bool IsLoaded(const std::string& moduleName) {
  void* handle = ::dlopen(PluginPath(moduleName).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) ::dlclose(handle);
  return handle != nullptr;
}

// One module loaded with its log switched on.
class ModuleTest : public ::testing::TestWithParam<ModuleCase> {
 protected:
  const ModuleCase& Module() const { return GetParam(); }
  std::vector<std::string> Messages() const { return logs.Messages(Module().module); }

  IRenderEffect* Create(const GUID& classId) const { return module->CreateEffect()(&classId); }
  // A new object of the module's class, holding the test's one reference.
  ComRef<IRenderEffect> Referenced() const {
    IRenderEffect* effect = Create(Module().classId);
    EXPECT_NE(effect, nullptr);
    return ComRef<IRenderEffect>::Share(effect);
  }
  std::unique_ptr<host::PluginModule> Reload() {
    module.reset();
    EXPECT_FALSE(IsLoaded(Module().module)) << "dlclose left the module loaded";
    return LoadModule(Module().module);
  }

  struct Registration {
    int32_t result;
    std::vector<std::string> calls;
    host::EffectRegistration registered;  // what the descriptor holds afterwards
  };
  Registration Register(int32_t loaderAnswer = kResultOk, bool answersOptions = true) const {
    Registration registration{};
    auto loader = host::New<RecordingLoader>(registration.calls, loaderAnswer);
    auto descriptor = host::New<RecordingDescriptor>(registration.calls, answersOptions);
    // A second reference of the test's own: a release too many shows without freeing it.
    const ComRef<RecordingDescriptor> extra = descriptor;
    registration.result = module->RegisterEffects()(loader.get(), descriptor.get());
    registration.registered = descriptor->Registration();
    EXPECT_EQ(descriptor->GetRefCount(), 2) << "the descriptor kept or lost a reference";
    EXPECT_EQ(loader->GetRefCount(), 1) << "the loader kept or lost a reference";
    EXPECT_EQ(loader->Registered().size(), loaderAnswer == kResultOk ? 1u : 0u);
    return registration;
  }

  LogDir logs;
  std::unique_ptr<host::PluginModule> module = LoadModule(Module().module);
};

INSTANTIATE_TEST_SUITE_P(AllModules, ModuleTest, ::testing::ValuesIn(kModules),
                         [](const auto& info) { return std::string(info.param.module); });

TEST_P(ModuleTest, RegistersItsConstantsInOrder) {
  const Registration registration = Register();
  EXPECT_EQ(registration.result, 0);
  EXPECT_EQ(registration.calls,
            (std::vector<std::string>{"SetCategory", "SetName", "SetClassId", "SetVersion",
                                      "QueryInterface(options)", "SetOptions", "AddInputs",
                                      "RegisterEffect"}));
  const host::EffectRegistration& registered = registration.registered;
  EXPECT_EQ(host::ToUtf8(registered.name), Module().displayName);
  EXPECT_EQ(registered.category, u"Lumo Video Plugins");
  EXPECT_EQ(registered.version, u"1.0");
  ASSERT_TRUE(registered.classId);
  EXPECT_EQ(host::FormatGuid(*registered.classId), host::FormatGuid(Module().classId));
  EXPECT_EQ(registered.inputs, Module().inputs);
  EXPECT_EQ(registered.options, (std::array<int32_t, 3>{1, 0, 0}));

  const std::vector<std::string> expected = {
      "registerEffects (Start)", "AddInputs return=0", "Loader return=0H",
      std::string("########## Effect [") + Module().displayName + "] registered ##########",
      "registerEffects (End)"};
  const std::vector<std::string> messages = Messages();
  EXPECT_NE(std::search(messages.begin(), messages.end(), expected.begin(), expected.end()),
            messages.end())
      << ::testing::PrintToString(messages);
}

TEST_P(ModuleTest, RegistersWithoutOptionsWhenTheDescriptorHasNone) {
  const Registration registration = Register(kResultOk, false);
  EXPECT_EQ(registration.result, 0);
  EXPECT_EQ(registration.calls,
            (std::vector<std::string>{"SetCategory", "SetName", "SetClassId", "SetVersion",
                                      "QueryInterface(options)", "AddInputs", "RegisterEffect"}));
  EXPECT_FALSE(registration.registered.options);
  EXPECT_EQ(Containing(Messages(), "registerEffects (End)").size(), 1u);
}

TEST_P(ModuleTest, ReturnsAndLogsARefusedRegistration) {
  const int32_t refusal = int32_t(0x8004ABCD);
  const Registration registration = Register(refusal);
  EXPECT_EQ(registration.result, refusal);
  const std::vector<std::string> messages = Messages();
  EXPECT_EQ(Containing(messages, "Loader return="),
            std::vector<std::string>{"Loader return=8004ABCDH"});
  EXPECT_TRUE(Containing(messages, "registered").empty());
  EXPECT_TRUE(Containing(messages, "(End)").empty());
}

TEST_P(ModuleTest, CreatesOnlyItsOwnClass) {
  const ComRef<IRenderEffect> own = ComRef<IRenderEffect>::Share(Create(Module().classId));
  EXPECT_NE(own.get(), nullptr);
  EXPECT_EQ(Create(kForeignGuid), nullptr);
  EXPECT_EQ(Create(NearlyEqual(Module().classId)), nullptr);
  GUID otherSecondField = Module().classId;
  otherSecondField.Data2 ^= 0x0100;
  EXPECT_EQ(Create(otherSecondField), nullptr);

  const std::string ownLine = Module().createLine;
  const std::vector<std::string> expected =
      Module().logsGuid
          ? std::vector<std::string>{ownLine, "createEffect GUID=-1403582016", ownLine, ownLine}
          : std::vector<std::string>{ownLine};
  EXPECT_EQ(Containing(Messages(), "createEffect"), expected);
}

TEST_P(ModuleTest, SharesOneCountAndOneIdentityAcrossItsInterfaces) {
  IRenderEffect* effect = Create(Module().classId);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->GetRefCount(), 0);
  void* object = nullptr;
  ASSERT_EQ(effect->QueryInterface(&kRenderEffectIid, &object), 0);
  EXPECT_EQ(object, effect);
  EXPECT_EQ(effect->GetRefCount(), 1);
  ASSERT_EQ(effect->Initialize(), 0);

  IEffectProperties* properties = nullptr;
  ASSERT_EQ(effect->QueryInterface(&kPropertiesIid, reinterpret_cast<void**>(&properties)), 0);
  ASSERT_NE(properties, nullptr);
  EXPECT_EQ(properties->GetRefCount(), 2);
  ASSERT_EQ(properties->QueryInterface(&kRootIid, &object), 0);
  EXPECT_EQ(object, effect);
  ASSERT_EQ(properties->QueryInterface(&kRenderEffectIid, &object), 0);
  EXPECT_EQ(object, effect);
  ASSERT_EQ(effect->QueryInterface(&kRootIid, &object), 0);
  EXPECT_EQ(object, effect);
  EXPECT_EQ(properties->AddRef(), 6);
  EXPECT_EQ(effect->AddRef(), 7);
  EXPECT_EQ(properties->GetRefCount(), 7);
  EXPECT_EQ(effect->GetRefCount(), 7);

  for (IRootObject* through :
       {static_cast<IRootObject*>(effect), static_cast<IRootObject*>(properties)}) {
    IFrameAccess* access = nullptr;
    const int32_t result =
        through->QueryInterface(&kFrameAccessIid, reinterpret_cast<void**>(&access));
    if (Module().framesAccess) {
      ASSERT_EQ(result, 0);
      ASSERT_NE(access, nullptr);
      EXPECT_EQ(access->GetRefCount(), 8);
      ASSERT_EQ(access->QueryInterface(&kRootIid, &object), 0);
      EXPECT_EQ(object, effect);
      EXPECT_EQ(access->Release(), 8);
      EXPECT_EQ(access->Release(), 7);
    } else {
      EXPECT_EQ(result, kNoInterface);
      EXPECT_EQ(access, nullptr);
    }
    for (const GUID& unknown : {NearlyEqual(kRenderEffectIid), NearlyEqual(kRootIid),
                                kSupportedFeature, IImageBuffer::kIid}) {
      object = effect;
      EXPECT_EQ(through->QueryInterface(&unknown, &object), kNoInterface);
      EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(through->GetRefCount(), 7);
  }

  EXPECT_EQ(properties->Release(), 6);
  for (int32_t left = 5; left >= 2; --left) EXPECT_EQ(effect->Release(), left);
  const size_t linesBefore = Messages().size();
  EXPECT_EQ(properties->Release(), 1);
  EXPECT_EQ(Messages().size(), linesBefore) << "a Release that leaves a reference wrote a line";
  EXPECT_EQ(effect->Release(), 0);
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), linesBefore + 1);
  EXPECT_EQ(messages.back(), std::string("1: ") + Module().effectClass + "::Destructor");
}

TEST_P(ModuleTest, PropertiesGiveFixedAnswers) {
  const ComRef<IRenderEffect> effect = Referenced();
  ComRef<IEffectProperties> properties;
  ASSERT_EQ(effect->QueryInterface(&kPropertiesIid, properties.PutVoid()), 0);
  EXPECT_EQ(properties->IsSupported(&kSupportedFeature), 1);
  EXPECT_EQ(properties->IsSupported(&kPropertiesIid), 0);
  const GUID nearlySupported = NearlyEqual(kSupportedFeature);
  EXPECT_EQ(properties->IsSupported(&nearlySupported), 0);
  for (int32_t key : {0, 1, -1, 0x7FFFFFFF}) {
    EXPECT_EQ(properties->GetInteger(key), 0);
    EXPECT_EQ(properties->GetHandle(key), 0);
    EXPECT_EQ(properties->GetReal(key), 0.0);
  }
  EXPECT_EQ(effect->ProcessEnd(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_P(ModuleTest, NumbersInstancesAtInitializeUntilUnloaded) {
  const std::string initialized = std::string(Module().effectClass) + "::Initialize of Instance: ";
  {
    // Numbers follow the order of Initialize, not of createEffect.
    const ComRef<IRenderEffect> first = Referenced();
    const ComRef<IRenderEffect> second = Referenced();
    ASSERT_EQ(second->Initialize(), 0);
    ASSERT_EQ(first->Initialize(), 0);
    EXPECT_EQ(Containing(Messages(), "Initialize of Instance"),
              (std::vector<std::string>{initialized + "1", initialized + "2"}));
  }
  const std::string destructor = "::Destructor";
  EXPECT_EQ(Containing(Messages(), destructor),
            (std::vector<std::string>{std::string("1: ") + Module().effectClass + destructor,
                                      std::string("2: ") + Module().effectClass + destructor}));

  module = Reload();
  ASSERT_NE(module, nullptr);
  const ComRef<IRenderEffect> afterReload = Referenced();
  ASSERT_EQ(afterReload->Initialize(), 0);
  const std::vector<std::string> messages = Messages();
  EXPECT_EQ(messages.back(), initialized + "1") << "the instance counter outlived the unload";
  EXPECT_EQ(Containing(messages, "Actual log file opened").size(), 1u);
}

TEST_P(ModuleTest, LogsFromOpeningNoticeToClosingNotice) {
  ASSERT_EQ(Register().result, 0);
  Dl_info info{};
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(module->RegisterEffects()), &info), 0);
  char handle[32];
  std::snprintf(handle, sizeof handle, "%" PRIXPTR, reinterpret_cast<uintptr_t>(info.dli_fbase));
  module.reset();

  const std::string time = R"(\d\d:\d\d:\d\d )";
  const std::string date = R"(\d\d\.\d\d\.\d{4} )";
  const std::string entry =
      "=========================== DllMain called ===========================";
  const std::string reason = std::string("DllMain Handle=") + handle + " Reason_for_call=";
  const std::vector<std::string> expected = {
      time + date + R"(\*INFO\* New log file opened    \*{25})",
      time + entry,
      time + reason + "1",
      time + R"(registerEffects \(Start\))",
      time + "AddInputs return=0",
      time + "Loader return=0H",
      time + R"(#{10} Effect \[.*\] registered #{10})",
      time + R"(registerEffects \(End\))",
      time + entry,
      time + reason + "0",
      time + date + R"(\*INFO\* Log file closed        \*{25})"};
  const std::vector<std::string> lines = ReadLines(logs.LogPath(Module().module));
  ASSERT_EQ(lines.size(), expected.size()) << ::testing::PrintToString(lines);
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected[i])))
        << "line " << i + 1 << ": " << lines[i];
}

TEST(Spine, WithoutTheMarkerAModuleWritesNoLog) {
  const LogDir logs(false);
  for (const ModuleCase& module : kModules) {
    auto loaded = LoadModule(module.module);
    ASSERT_NE(loaded, nullptr);
    ComRef<IRenderEffect> effect =
        ComRef<IRenderEffect>::Share(loaded->CreateEffect()(&module.classId));
    ASSERT_NE(effect.get(), nullptr);
    effect->Initialize();
    effect.Reset();
    EXPECT_TRUE(loaded->Register());
  }
  EXPECT_TRUE(fs::is_empty(logs.Path()));
}

TEST(Spine, ModulesInOneProcessKeepTheirOwnCountersAndLogs) {
  const LogDir logs;
  const ModuleCase& mirror = kModules[0];
  const ModuleCase& reverse = kModules[4];
  auto mirrorModule = LoadModule(mirror.module);
  auto reverseModule = LoadModule(reverse.module);
  ASSERT_TRUE(mirrorModule && reverseModule);
  std::vector<ComRef<IRenderEffect>> effects;
  for (const auto& [module, classId] : {std::pair{mirrorModule.get(), mirror.classId},
                                        {reverseModule.get(), reverse.classId},
                                        {reverseModule.get(), reverse.classId},
                                        {mirrorModule.get(), mirror.classId}}) {
    effects.push_back(ComRef<IRenderEffect>::Share(module->CreateEffect()(&classId)));
    ASSERT_NE(effects.back().get(), nullptr);
    ASSERT_EQ(effects.back()->Initialize(), 0);
  }
  EXPECT_EQ(Containing(logs.Messages(mirror.module), "Initialize"),
            (std::vector<std::string>{"Mirror::Initialize of Instance: 1",
                                      "Mirror::Initialize of Instance: 2"}));
  EXPECT_EQ(Containing(logs.Messages(reverse.module), "Initialize"),
            (std::vector<std::string>{"RenderReverse::Initialize of Instance: 1",
                                      "RenderReverse::Initialize of Instance: 2"}));
}

}  // namespace
}  // namespace lumov::test
