// A bound method: an object together with one of its member functions, the type of every
// event. An empty closure is unassigned; whether it is assigned is decided by its function
// part alone, and calling an unassigned one raises an Exception instead of jumping nowhere.
#pragma once

#include <concepts>
#include <cstring>
#include <utility>

#include "Exceptions.h"

template <class Signature>
class TClosure;

template <class R, class... Args>
class TClosure<R(Args...)> {
 public:
  TClosure() = default;
  TClosure(std::nullptr_t) {}

  template <class Object, class Owner>
  requires std::derived_from<Object, Owner> TClosure(Object *object, R (Owner::*method)(Args...))
      : object_(static_cast<Owner *>(object)) {
    static_assert(sizeof method <= sizeof method_, "member function pointer too large");
    std::memcpy(method_, &method, sizeof method);
    invoke_ = &Invoke<Owner>;
  }

  // The "is assigned" test of the framework.
  explicit operator bool() const { return invoke_ != nullptr; }
  void *Object() const { return object_; }

  R operator()(Args... args) const {
    if (!invoke_) throw Exception("Call of an unassigned event");
    return invoke_(object_, method_, std::forward<Args>(args)...);
  }

  // Same object and same member function.
  friend bool operator==(const TClosure &a, const TClosure &b) {
    return a.invoke_ == b.invoke_ && a.object_ == b.object_ &&
           std::memcmp(a.method_, b.method_, sizeof a.method_) == 0;
  }

 private:
  // Room for any member function pointer of a class without virtual bases.
  struct Probe {
    void Method();
  };
  using MethodBytes = unsigned char[sizeof(&Probe::Method)];

  template <class Owner>
  static R Invoke(void *object, const MethodBytes &bytes, Args... args) {
    R (Owner::*method)(Args...);
    std::memcpy(&method, bytes, sizeof method);
    return (static_cast<Owner *>(object)->*method)(std::forward<Args>(args)...);
  }

  void *object_ = nullptr;
  R (*invoke_)(void *, const MethodBytes &, Args...) = nullptr;
  alignas(void *) MethodBytes method_ = {};
};

class TObject;
// The framework's standard events.
using TNotifyEvent = TClosure<void(TObject *Sender)>;
using TCloseQueryEvent = TClosure<void(TObject *Sender, bool &CanClose)>;
