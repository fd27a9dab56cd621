#include "registration.h"

#include <cstdio>

namespace lumov::host {
namespace {

std::u16string TextOrEmpty(const char16_t* text) {
  return text != nullptr ? text : u"";
}

}  // namespace

int32_t EffectDescriptor::SetName(const char16_t* name) {
  registration.name = TextOrEmpty(name);
  return kResultOk;
}

int32_t EffectDescriptor::SetCategory(const char16_t* category) {
  registration.category = TextOrEmpty(category);
  return kResultOk;
}

int32_t EffectDescriptor::SetVersion(const char16_t* version) {
  registration.version = TextOrEmpty(version);
  return kResultOk;
}

int32_t EffectDescriptor::SetClassId(const GUID* classId) {
  if (classId == nullptr) return kInvalidArgument;
  registration.classId = *classId;
  return kResultOk;
}

int32_t EffectDescriptor::AddInputs(int32_t first, int32_t second) {
  registration.inputs = {first, second};
  return kResultOk;
}

int32_t EffectDescriptor::SetOptions(int32_t a, int32_t b, int32_t c) {
  registration.options = {a, b, c};
  return kResultOk;
}

int32_t EffectLoader::RegisterEffect(IEffectDescriptor* descriptor) {
  if (answer != kResultOk) return answer;
  auto* ours = dynamic_cast<EffectDescriptor*>(descriptor);
  if (ours == nullptr) return kInvalidArgument;
  registered.push_back(ours->Registration());
  return kResultOk;
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string ToUtf16(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto byte = uint8_t(text[i]);
    uint32_t c = byte;
    int extra = 0;
    if (byte >= 0xF0) {
      c = byte & 0x07;
      extra = 3;
    } else if (byte >= 0xE0) {
      c = byte & 0x0F;
      extra = 2;
    } else if (byte >= 0xC0) {
      c = byte & 0x1F;
      extra = 1;
    }
    ++i;
    for (; extra > 0 && i < text.size(); --extra, ++i) c = (c << 6) | (uint8_t(text[i]) & 0x3F);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c);
    }
  }
  return out;
}

std::string FormatGuid(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned(guid.Data1), unsigned(guid.Data2), unsigned(guid.Data3), guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

}  // namespace lumov::host
