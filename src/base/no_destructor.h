#pragma once

#include <new>
#include <utility>

namespace dodu {

// Holds a process-lifetime object in static storage and never runs its destructor, so no
// destruction order at exit or unload can leave another static using a destroyed object. The
// object needs no heap of its own; whatever it allocates itself is its owner's to give back.
template <typename T>
class NoDestructor {
 public:
  template <typename... Args>
  explicit NoDestructor(Args&&... args) {
    new (fStorage) T(std::forward<Args>(args)...);
  }
  NoDestructor(const NoDestructor&) = delete;
  NoDestructor& operator=(const NoDestructor&) = delete;

  T* get() { return std::launder(reinterpret_cast<T*>(fStorage)); }
  T& operator*() { return *get(); }
  T* operator->() { return get(); }

 private:
  alignas(T) unsigned char fStorage[sizeof(T)];
};

}  // namespace dodu
