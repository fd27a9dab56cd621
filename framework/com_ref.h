// Holds one reference to an object and releases it when it goes, on every path.
#pragma once

#include <utility>

namespace lumov {

template <class T>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference that the caller already owns.
  explicit ComRef(T* owned) : object(owned) {}
  ~ComRef() { Reset(); }
  ComRef(ComRef&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      object = std::exchange(other.object, nullptr);
    }
    return *this;
  }
  ComRef(const ComRef& other) : object(other.object) {
    if (object != nullptr) object->AddRef();
  }
  ComRef& operator=(const ComRef& other) {
    if (this != &other) *this = ComRef(other);
    return *this;
  }

  // Adds a reference of its own to an object the caller only borrows.
  static ComRef Share(T* borrowed) {
    if (borrowed != nullptr) borrowed->AddRef();
    return ComRef(borrowed);
  }

  T* get() const { return object; }
  T* operator->() const { return object; }
  T& operator*() const { return *object; }
  explicit operator bool() const { return object != nullptr; }

  // Releases what is held and hands out the emptied place for a call that fills it.
  T** Put() {
    Reset();
    return &object;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  void Reset() {
    if (object != nullptr) std::exchange(object, nullptr)->Release();
  }
  T* Detach() { return std::exchange(object, nullptr); }

 private:
  T* object = nullptr;
};

}  // namespace lumov
