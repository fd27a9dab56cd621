// The binary contract between a plug-in module and its host: common records and every interface
// that crosses the module boundary, each operation at its fixed slot. Slots that no operation
// occupies hold placeholders (ReservedN) so that the listed operations keep their positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
#define LUMOV_CALL __stdcall
#else
#define LUMOV_CALL
#endif

namespace lumov {

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);

inline bool operator==(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, 16) == 0;
}

namespace detail {
constexpr uint32_t HexDigit(char c) {
  if (c >= '0' && c <= '9') return uint32_t(c - '0');
  if (c >= 'A' && c <= 'F') return uint32_t(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return uint32_t(c - 'a' + 10);
  throw "not a hexadecimal digit";
}
constexpr uint32_t HexField(const char* text, int first, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = value * 16 + HexDigit(text[first + i]);
  return value;
}
}  // namespace detail

// A GUID from its registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", checked at compile time.
consteval GUID operator""_guid(const char* text, std::size_t length) {
  if (length != 38 || text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' ||
      text[24] != '-' || text[37] != '}')
    throw "not a GUID in registry form";
  GUID guid{detail::HexField(text, 1, 8),
            uint16_t(detail::HexField(text, 10, 4)),
            uint16_t(detail::HexField(text, 15, 4)),
            {}};
  const int byteStarts[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) guid.Data4[i] = uint8_t(detail::HexField(text, byteStarts[i], 2));
  return guid;
}

// Result codes that the framework produces itself.
inline constexpr int32_t kResultOk = 0;
inline constexpr int32_t kNoInterface = 16;
inline constexpr int32_t kNoInputImage = 16386;
inline constexpr int32_t kParameterNotDeclared = 20480;

struct ClipTiming {
  int64_t a;
  int64_t b;
  int64_t c;
};

class IImageHolder;

struct InputList {
  int32_t reserved;
  IImageHolder** holders;
};

class IRootObject {
 public:
  static constexpr GUID kIid = "{D0412A67-8488-491F-8210-D43A96922C64}"_guid;
  virtual int32_t LUMOV_CALL QueryInterface(const GUID* iid, void** object) = 0;
  virtual int32_t LUMOV_CALL AddRef() = 0;
  virtual int32_t LUMOV_CALL Release() = 0;
  virtual int32_t LUMOV_CALL GetRefCount() = 0;
};

// ---- Host interfaces: the host implements them, the plug-ins call them. ----

class IEffectDescriptor;

class IEffectLoader : public IRootObject {
 public:
  virtual int32_t LUMOV_CALL RegisterEffect(IEffectDescriptor* descriptor) = 0;
};

class IEffectDescriptor : public IRootObject {
 public:
  virtual int32_t LUMOV_CALL SetName(const char16_t* name) = 0;
  virtual int32_t LUMOV_CALL SetCategory(const char16_t* category) = 0;
  virtual int32_t LUMOV_CALL Reserved6() = 0;
  virtual int32_t LUMOV_CALL SetVersion(const char16_t* version) = 0;
  virtual int32_t LUMOV_CALL Reserved8() = 0;
  virtual int32_t LUMOV_CALL SetClassId(const GUID* classId) = 0;
  virtual int32_t LUMOV_CALL Reserved10() = 0;
  virtual int32_t LUMOV_CALL Reserved11() = 0;
  virtual int32_t LUMOV_CALL AddInputs(int32_t first, int32_t second) = 0;
};

class IDescriptorOptions : public IRootObject {
 public:
  static constexpr GUID kIid = "{BA0DE517-F4EC-4FD0-A3CE-55CE943059ED}"_guid;
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual int32_t LUMOV_CALL SetOptions(int32_t a, int32_t b, int32_t c) = 0;
};

class IParameter;

class IParameterFactory : public IRootObject {
 public:
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual int32_t LUMOV_CALL Reserved5() = 0;
  virtual int32_t LUMOV_CALL CreateParameter(int32_t kind, const GUID* iid,
                                             IParameter** parameter) = 0;
};

class IParameterSet : public IRootObject {
 public:
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual int32_t LUMOV_CALL Reserved5() = 0;
  virtual int32_t LUMOV_CALL AddParameter(IParameter* parameter) = 0;
  virtual int32_t LUMOV_CALL Reserved7() = 0;
  virtual int32_t LUMOV_CALL Reserved8() = 0;
  virtual int32_t LUMOV_CALL Reserved9() = 0;
  virtual int32_t LUMOV_CALL GetParameter(int32_t index, const GUID* iid,
                                          IParameter** parameter) = 0;
  virtual int32_t LUMOV_CALL Reserved11() = 0;
  virtual int32_t LUMOV_CALL Reserved12() = 0;
  virtual int32_t LUMOV_CALL Reserved13() = 0;
  virtual int32_t LUMOV_CALL Reserved14() = 0;
  virtual int32_t LUMOV_CALL Reserved15() = 0;
  // Fills the record; callers preset it to zeros.
  virtual int32_t LUMOV_CALL GetClipTiming(ClipTiming* timing) = 0;
};

class IParameter : public IRootObject {
 public:
  static constexpr GUID kIid = "{F8F2B80B-CF77-43A9-B794-D5BE34C4EADA}"_guid;
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual int32_t LUMOV_CALL Reserved5() = 0;
  virtual int32_t LUMOV_CALL SetName(const char16_t* name) = 0;
  virtual int32_t LUMOV_CALL Reserved7() = 0;
  virtual int32_t LUMOV_CALL SetIndex(int32_t index) = 0;
  virtual int32_t LUMOV_CALL Reserved9() = 0;
  virtual int32_t LUMOV_CALL Reserved10() = 0;
  virtual int32_t LUMOV_CALL GetValueObject(const GUID* iid, void** value) = 0;
  virtual int32_t LUMOV_CALL GetDefaultObject(const GUID* iid, void** value) = 0;
};

class IChoiceList : public IRootObject {
 public:
  static constexpr GUID kIid = "{D5C7C476-C90B-40EA-8DDE-844ED1AE2C32}"_guid;
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual int32_t LUMOV_CALL SetCount(int32_t count) = 0;
  virtual int32_t LUMOV_CALL Reserved6() = 0;
  virtual int32_t LUMOV_CALL SetLabel(int32_t index, const char16_t* label) = 0;
};

// Range of a real (T = double) or integer (T = int32_t) parameter.
template <class T>
class IRange : public IRootObject {
 public:
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual int32_t LUMOV_CALL SetStep(T step) = 0;
  virtual int32_t LUMOV_CALL Reserved6() = 0;
  virtual int32_t LUMOV_CALL SetSecondaryMinimum(T value) = 0;
  virtual int32_t LUMOV_CALL Reserved8() = 0;
  virtual int32_t LUMOV_CALL SetSecondaryMaximum(T value) = 0;
  virtual int32_t LUMOV_CALL Reserved10() = 0;
  virtual int32_t LUMOV_CALL SetMinimum(T value) = 0;
  virtual int32_t LUMOV_CALL Reserved12() = 0;
  virtual int32_t LUMOV_CALL SetMaximum(T value) = 0;
};

class IDoubleRange : public IRange<double> {
 public:
  static constexpr GUID kIid = "{A551865C-61B2-4504-8433-E5FC3F962C60}"_guid;
};

class IIntegerRange : public IRange<int32_t> {
 public:
  static constexpr GUID kIid = "{1B913781-C35A-4E04-BC28-14970D096CDD}"_guid;
};

// Current or default value of a parameter.
template <class T>
class IValue : public IRootObject {
 public:
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual T LUMOV_CALL GetValue() = 0;
  virtual int32_t LUMOV_CALL SetValue(T value) = 0;
};

class IChoiceValue : public IValue<int32_t> {
 public:
  static constexpr GUID kIid = "{718C24DC-CF25-4DF3-ABA2-742079DBF768}"_guid;
};

class IDoubleValue : public IValue<double> {
 public:
  static constexpr GUID kIid = "{C3380FEC-11B8-4604-A816-75ACD597DA6B}"_guid;
};

class IBooleanValue : public IValue<int32_t> {
 public:
  static constexpr GUID kIid = "{47D33790-2B5D-4A61-805D-FA4552B69124}"_guid;
};

class IIntegerValue : public IValue<int32_t> {
 public:
  static constexpr GUID kIid = "{06D04175-B3C3-4F45-9B32-7104A8699C25}"_guid;
};

class IImageBuffer;

class IImageHolder : public IRootObject {
 public:
  // Borrowed: no reference is added.
  virtual IImageBuffer* LUMOV_CALL GetImage() = 0;
};

class IFramePosition : public IRootObject {
 public:
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual int32_t LUMOV_CALL Reserved5() = 0;
  virtual int32_t LUMOV_CALL Reserved6() = 0;
  virtual int32_t LUMOV_CALL Reserved7() = 0;
  virtual int32_t LUMOV_CALL Reserved8() = 0;
  virtual int32_t LUMOV_CALL GetCurrentFrame() = 0;
};

class IImageFormat : public IRootObject {
 public:
  static constexpr GUID kIid = "{B86BF9A6-9B63-416A-B947-4B5F4218A3C7}"_guid;
};

// The identifier that the plug-ins pass to PrepareOutput for the output holder.
inline constexpr GUID kPrepareOutputIid = "{85935AD3-4D52-4B64-B3CB-1E43BFF0B411}"_guid;

class IImageFactory : public IRootObject {
 public:
  virtual int32_t LUMOV_CALL Reserved4() = 0;
  virtual int32_t LUMOV_CALL Reserved5() = 0;
  // The plug-ins pass 512 and 64 as a and b.
  virtual int32_t LUMOV_CALL PrepareOutput(const GUID* iid, IImageHolder* output,
                                           IImageFormat* format, int32_t a, int32_t b) = 0;
  virtual int32_t LUMOV_CALL Reserved7() = 0;
  virtual int32_t LUMOV_CALL Reserved8() = 0;
  virtual int32_t LUMOV_CALL Reserved9() = 0;
  virtual int32_t LUMOV_CALL CreateImageBufferInstance(const GUID* iid, IImageBuffer** image,
                                                       int32_t v1, int32_t v2, IImageFormat* format,
                                                       int32_t v3, int32_t v4) = 0;
};

class IImageBuffer : public IRootObject {
 public:
  static constexpr GUID kIid = "{6C1FA43A-8FEB-4788-B5FC-920E18569E32}"_guid;
  virtual uint32_t LUMOV_CALL GetWidth() = 0;
  virtual uint32_t LUMOV_CALL GetHeight() = 0;
  virtual int32_t LUMOV_CALL Reserved6() = 0;
  virtual int32_t LUMOV_CALL GetRowStride() = 0;
  virtual int32_t LUMOV_CALL Reserved8() = 0;
  virtual int32_t LUMOV_CALL Reserved9() = 0;
  // Address of stored row 0.
  virtual uint8_t* LUMOV_CALL GetPixels() = 0;
  virtual int32_t LUMOV_CALL Reserved11() = 0;
  virtual uint32_t LUMOV_CALL GetBitDepth() = 0;
  virtual int32_t LUMOV_CALL GetColorSpace() = 0;
  virtual int32_t LUMOV_CALL IsBottomUp() = 0;
  virtual int32_t LUMOV_CALL Reserved15() = 0;
  virtual int32_t LUMOV_CALL Reserved16() = 0;
  // 1 interlaced, anything else progressive.
  virtual int32_t LUMOV_CALL GetFieldMode() = 0;
  // 0 upper field first, 1 lower field first.
  virtual int32_t LUMOV_CALL GetFieldDominance() = 0;
  virtual int32_t LUMOV_CALL Reserved19() = 0;
  virtual int32_t LUMOV_CALL Reserved20() = 0;
  virtual int32_t LUMOV_CALL GetFormat(const GUID* iid, IImageFormat** format) = 0;
  // The plug-ins pass mode 2.
  virtual int32_t LUMOV_CALL CopyTo(IImageBuffer* target, int32_t mode) = 0;
  // Changes the image's size in place; the plug-ins pass 0, 0 as the reserved values.
  virtual int32_t LUMOV_CALL Resample(double sx, double sy, int32_t reserved1,
                                      int32_t reserved2) = 0;
  virtual int32_t LUMOV_CALL Reserved24() = 0;
  virtual int32_t LUMOV_CALL Reserved25() = 0;
  virtual int32_t LUMOV_CALL Reserved26() = 0;
  virtual int32_t LUMOV_CALL Reserved27() = 0;
  virtual int32_t LUMOV_CALL Reserved28() = 0;
  virtual int32_t LUMOV_CALL Reserved29() = 0;
  virtual int32_t LUMOV_CALL Reserved30() = 0;
  virtual int32_t LUMOV_CALL Reserved31() = 0;
  virtual int32_t LUMOV_CALL Reserved32() = 0;
  virtual int32_t LUMOV_CALL Reserved33() = 0;
  virtual int32_t LUMOV_CALL Reserved34() = 0;
  virtual int32_t LUMOV_CALL Reserved35() = 0;
  virtual int32_t LUMOV_CALL Clear() = 0;
};

class IFrameSource : public IRootObject {
 public:
  // The four frame values mean whatever the host wants; the plug-in hands them on unchanged to
  // CreateImageBufferInstance.
  virtual int32_t LUMOV_CALL ReadFrame(int32_t offset, int32_t* v1, IImageFormat* format,
                                       int32_t* v2, int32_t* v3, int32_t* v4) = 0;
};

// ---- Plug-in interfaces: the effect objects implement them, the host calls them. ----

class IRenderEffect : public IRootObject {
 public:
  static constexpr GUID kIid = "{AC5709C0-2B88-4650-96D6-671629FC5293}"_guid;
  virtual int32_t LUMOV_CALL Initialize() = 0;
  virtual int32_t LUMOV_CALL AllocateParameterSet(IParameterSet* set,
                                                  IParameterFactory* factory) = 0;
  virtual int32_t LUMOV_CALL ProcessBegin(IImageHolder* output, InputList* inputs,
                                          IParameterSet* context, IFramePosition* position,
                                          IImageFactory* factory) = 0;
  virtual int32_t LUMOV_CALL Process(IImageHolder* output, InputList* inputs,
                                     IParameterSet* context, IFramePosition* position,
                                     IImageFactory* factory) = 0;
  virtual int32_t LUMOV_CALL ProcessEnd(IImageHolder* output, InputList* inputs,
                                        IParameterSet* context, IFramePosition* position,
                                        IImageFactory* factory) = 0;
};

class IEffectProperties : public IRootObject {
 public:
  static constexpr GUID kIid = "{295050F4-5A76-460D-BD76-D6BAB46AA444}"_guid;
  virtual int32_t LUMOV_CALL IsSupported(const GUID* guid) = 0;
  virtual int32_t LUMOV_CALL GetInteger(int32_t key) = 0;
  virtual double LUMOV_CALL GetReal(int32_t key) = 0;
  virtual int32_t LUMOV_CALL GetHandle(int32_t key) = 0;
};

class IFrameAccess : public IRootObject {
 public:
  static constexpr GUID kIid = "{D769F4DC-7EA5-4051-8B05-F520EC36CDDD}"_guid;
  virtual int32_t LUMOV_CALL AttachFrameSource(int32_t* a, int32_t* b, IFrameSource* source) = 0;
};

// The one feature that IEffectProperties::IsSupported answers with 1.
inline constexpr GUID kSupportedFeature = "{816398F2-E6E3-4A06-9331-0CC13195257F}"_guid;

// ---- Exports of every module. ----

using RegisterEffectsFunction = int32_t(LUMOV_CALL*)(IEffectLoader* loader,
                                                     IEffectDescriptor* descriptor);
using CreateEffectFunction = IRenderEffect*(LUMOV_CALL*)(const GUID* classId);

}  // namespace lumov
