// The reference-counted object base shared by the plug-ins' effect objects and the host's objects:
// one QueryInterface table, one count, whatever interface pointer the caller holds.
#pragma once

#include "host_interfaces.h"
#include "platform.h"

namespace lumov {

template <class Interface>
concept HasInterfaceId = requires {
  Interface::kIid;
};

// Answers IRootObject with the first interface, then each listed interface that has an IID, in
// the order listed; anything else gets null and kNoInterface.
template <class First, class... Others>
class ComObject : public First, public Others... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  int32_t LUMOV_CALL QueryInterface(const GUID* iid, void** object) override {
    if (object == nullptr) return kNoInterface;
    *object = iid != nullptr ? Find(*iid) : nullptr;
    if (*object == nullptr) return kNoInterface;
    AddRef();
    return kResultOk;
  }
  int32_t LUMOV_CALL AddRef() override { return refCount.Increment(); }
  int32_t LUMOV_CALL Release() override {
    const int32_t count = refCount.Decrement();
    if (count == 0) delete this;
    return count;
  }
  int32_t LUMOV_CALL GetRefCount() override { return refCount.Load(); }

 protected:
  virtual ~ComObject() = default;

 private:
  template <class Interface>
  void* Match(const GUID& iid) {
    if constexpr (HasInterfaceId<Interface>) {
      if (iid == Interface::kIid) return static_cast<Interface*>(this);
    }
    return nullptr;
  }

  void* Find(const GUID& iid) {
    if (iid == IRootObject::kIid) return static_cast<First*>(this);
    void* found = Match<First>(iid);
    ((found = found != nullptr ? found : Match<Others>(iid)), ...);
    return found;
  }

  AtomicCount refCount;
};

}  // namespace lumov
