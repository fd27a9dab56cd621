// Host-side base of every object the host hands to a plug-in: the shared reference-counted base,
// and classes that fill the slots an interface leaves unused with operations never called.
#pragma once

#include <utility>

#include "com_object.h"
#include "com_ref.h"
#include "host_interfaces.h"

namespace lumov::host {

// Result codes of the host's own objects.
inline constexpr int32_t kNotFound = 0x8001;
inline constexpr int32_t kInvalidArgument = 0x8002;
inline constexpr int32_t kUnsupported = 0x8003;
inline constexpr int32_t kOutOfMemory = 0x8004;

template <class... Interfaces>
using HostObject = ComObject<Interfaces...>;

// A new host object holding the caller's one reference.
template <class T, class... Arguments>
ComRef<T> New(Arguments&&... arguments) {
  return ComRef<T>::Share(new T(std::forward<Arguments>(arguments)...));
}

#define LUMOV_UNUSED_SLOT(n)               \
  int32_t LUMOV_CALL Reserved##n() final { \
    return kUnsupported;                   \
  }

class EffectDescriptorSlots : public IEffectDescriptor {
 public:
  LUMOV_UNUSED_SLOT(6)
  LUMOV_UNUSED_SLOT(8)
  LUMOV_UNUSED_SLOT(10)
  LUMOV_UNUSED_SLOT(11)
};

class DescriptorOptionsSlots : public IDescriptorOptions {
 public:
  LUMOV_UNUSED_SLOT(4)
};

class ParameterFactorySlots : public IParameterFactory {
 public:
  LUMOV_UNUSED_SLOT(4)
  LUMOV_UNUSED_SLOT(5)
};

class ParameterSetSlots : public IParameterSet {
 public:
  LUMOV_UNUSED_SLOT(4)
  LUMOV_UNUSED_SLOT(5)
  LUMOV_UNUSED_SLOT(7)
  LUMOV_UNUSED_SLOT(8)
  LUMOV_UNUSED_SLOT(9)
  LUMOV_UNUSED_SLOT(11)
  LUMOV_UNUSED_SLOT(12)
  LUMOV_UNUSED_SLOT(13)
  LUMOV_UNUSED_SLOT(14)
  LUMOV_UNUSED_SLOT(15)
};

class ParameterSlots : public IParameter {
 public:
  LUMOV_UNUSED_SLOT(4)
  LUMOV_UNUSED_SLOT(5)
  LUMOV_UNUSED_SLOT(7)
  LUMOV_UNUSED_SLOT(9)
  LUMOV_UNUSED_SLOT(10)
};

class ChoiceListSlots : public IChoiceList {
 public:
  LUMOV_UNUSED_SLOT(4)
  LUMOV_UNUSED_SLOT(6)
};

template <class RangeInterface>
class RangeSlots : public RangeInterface {
 public:
  LUMOV_UNUSED_SLOT(4)
  LUMOV_UNUSED_SLOT(6)
  LUMOV_UNUSED_SLOT(8)
  LUMOV_UNUSED_SLOT(10)
  LUMOV_UNUSED_SLOT(12)
};

template <class ValueInterface>
class ValueSlots : public ValueInterface {
 public:
  LUMOV_UNUSED_SLOT(4)
};

class FramePositionSlots : public IFramePosition {
 public:
  LUMOV_UNUSED_SLOT(4)
  LUMOV_UNUSED_SLOT(5)
  LUMOV_UNUSED_SLOT(6)
  LUMOV_UNUSED_SLOT(7)
  LUMOV_UNUSED_SLOT(8)
};

class ImageFactorySlots : public IImageFactory {
 public:
  LUMOV_UNUSED_SLOT(4)
  LUMOV_UNUSED_SLOT(5)
  LUMOV_UNUSED_SLOT(7)
  LUMOV_UNUSED_SLOT(8)
  LUMOV_UNUSED_SLOT(9)
};

class ImageBufferSlots : public IImageBuffer {
 public:
  LUMOV_UNUSED_SLOT(6)
  LUMOV_UNUSED_SLOT(8)
  LUMOV_UNUSED_SLOT(9)
  LUMOV_UNUSED_SLOT(11)
  LUMOV_UNUSED_SLOT(15)
  LUMOV_UNUSED_SLOT(16)
  LUMOV_UNUSED_SLOT(19)
  LUMOV_UNUSED_SLOT(20)
  LUMOV_UNUSED_SLOT(24)
  LUMOV_UNUSED_SLOT(25)
  LUMOV_UNUSED_SLOT(26)
  LUMOV_UNUSED_SLOT(27)
  LUMOV_UNUSED_SLOT(28)
  LUMOV_UNUSED_SLOT(29)
  LUMOV_UNUSED_SLOT(30)
  LUMOV_UNUSED_SLOT(31)
  LUMOV_UNUSED_SLOT(32)
  LUMOV_UNUSED_SLOT(33)
  LUMOV_UNUSED_SLOT(34)
  LUMOV_UNUSED_SLOT(35)
};

#undef LUMOV_UNUSED_SLOT

}  // namespace lumov::host
