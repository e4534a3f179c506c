// A field that the component's host may read like a plain member but only the component
// writes: the C++ form of a published read-only property read straight from its field.
#pragma once

template <class T, class Owner>
class TReadOnlyField {
 public:
  explicit TReadOnlyField(const T &initial) : value_(initial) {}
  TReadOnlyField(const TReadOnlyField &) = delete;
  TReadOnlyField &operator=(const TReadOnlyField &) = delete;

  operator const T &() const { return value_; }
  const T &Value() const { return value_; }

 private:
  friend Owner;
  TReadOnlyField &operator=(const T &value) {
    value_ = value;
    return *this;
  }
  // For TAPI functions that write the field through a pointer.
  T &Writable() { return value_; }

  T value_;
};
