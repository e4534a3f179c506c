// A single-object owner for the component's thread objects. It deletes the object it held
// when it is given a new one and when it is destroyed. The deleter is captured where an
// object is handed over, so the holder can be declared with the class still incomplete.
#pragma once

#include <memory>

template <class T>
class TOwningHolder {
 public:
  TOwningHolder() = default;
  TOwningHolder(const TOwningHolder &) = delete;
  TOwningHolder &operator=(const TOwningHolder &) = delete;

  // Deletes the object held before, then holds the new one.
  void reset(T *object) {
    held_.reset();
    held_ = Held(object, [](T *p) { delete p; });
  }
  // Deletes the object held, if any.
  void reset() { held_.reset(); }
  // Gives the object up without deleting it.
  T *release() { return held_.release(); }
  T *get() const { return held_.get(); }
  T *operator->() const { return held_.get(); }
  explicit operator bool() const { return static_cast<bool>(held_); }

 private:
  using Held = std::unique_ptr<T, void (*)(T *)>;
  Held held_{nullptr, nullptr};
};
