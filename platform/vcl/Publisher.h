// Declaring what a class publishes. A class with published members declares
//
//   static void Publish(TPublisher<TMyClass, TParentClass> &p);
//   const TMetaClass &ClassType() const override { return ClassOf<TMyClass>(); }
//
// and lists its members in Publish, in publishing order:
//
//   p.Property("Privileges", &TMyClass::Privileges, 6);        // field, default 6
//   p.Property("Caption", &TMyClass::Caption);                 // field, no default
//   p.Property("Name", &TMyClass::Name, &TMyClass::SetName);   // getter and setter
//   p.ReadOnly("OpenDeviceID", &TMyClass::OpenDeviceID);       // field or getter
//   p.Event("OnShow", &TMyClass::OnShow);                      // a TClosure field
//   p.Object("Font", &TMyClass::Font);                         // owned sub-object pointer
//   p.Method("FormShow", &TMyClass::FormShow);                 // bindable by name
//   p.Field("lbList", &TMyClass::lbList);                      // set when lbList is loaded
//
// A property with no default is always written to a form file; one with a default only
// when its value differs. Read-only properties are never written.
#pragma once

#include <functional>
#include <optional>
#include <typeinfo>

#include "Closure.h"
#include "MetaClass.h"
#include "Object.h"
#include "PropertyTypes.h"

class TComponent;

namespace publisher_detail {

// The class's own name without namespaces, as the framework names classes.
AnsiString ClassNameOf(const std::type_info &type);

template <class T>
class TTypedPropInfo : public TValuePropInfo {
 public:
  using TGetter = std::function<T(TPersistent &)>;
  using TSetter = std::function<void(TPersistent &, const T &)>;

  TTypedPropInfo(const AnsiString &name, TGetter get, TSetter set, std::optional<T> fallback)
      : TValuePropInfo(name, static_cast<bool>(set)),
        get_(std::move(get)),
        set_(std::move(set)),
        default_(std::move(fallback)) {}

  bool HasDefault() const override { return default_.has_value(); }
  bool IsDefault(const TPersistent &object) const override {
    return default_ && Value(object) == *default_;
  }
  TFormValue Read(const TPersistent &object) const override {
    return TPropertyType<T>::Encode(Value(object));
  }
  void Write(TPersistent &object, const TFormValue &value) const override {
    if (!set_) throw EReadError("Property " + Name() + " is read-only");
    set_(object, TPropertyType<T>::Decode(value, Name()));
  }

 private:
  // Getters of the framework are not const; reading through them changes nothing.
  T Value(const TPersistent &object) const { return get_(const_cast<TPersistent &>(object)); }

  TGetter get_;
  TSetter set_;
  std::optional<T> default_;
};

template <class C, class Closure>
class TClosurePropInfo : public TEventPropInfo {
 public:
  TClosurePropInfo(const AnsiString &name, Closure C::*field)
      : TEventPropInfo(name), field_(field) {}

  bool IsAssigned(const TPersistent &object) const override {
    return static_cast<bool>(static_cast<const C &>(object).*field_);
  }
  AnsiString BoundMethodName(const TPersistent &object, const TObject &root) const override;
  void Bind(TPersistent &object, TObject &root, const AnsiString &methodName) const override;

 private:
  Closure C::*field_;
};

template <class C, class Sub>
class TSubObjectPropInfo : public TObjectPropInfo {
 public:
  TSubObjectPropInfo(const AnsiString &name, Sub *const C::*field)
      : TObjectPropInfo(name), field_(field) {}
  TPersistent &Get(const TPersistent &object) const override {
    return *(static_cast<const C &>(object).*field_);
  }

 private:
  Sub *const C::*field_;
};

template <class C, class R, class Owner, class... Args>
class TBoundMethodInfo : public TMethodInfo {
 public:
  using TClosureType = TClosure<R(Args...)>;

  TBoundMethodInfo(const AnsiString &name, R (Owner::*method)(Args...))
      : TMethodInfo(name, typeid(TClosureType)), method_(method) {}

  void AssignTo(TObject &root, void *closure) const override {
    *static_cast<TClosureType *>(closure) = Bound(static_cast<C &>(root));
  }
  bool IsBoundIn(const TObject &root, const void *closure) const override {
    return *static_cast<const TClosureType *>(closure) ==
           Bound(const_cast<C &>(static_cast<const C &>(root)));
  }

 private:
  TClosureType Bound(C &root) const { return TClosureType(&root, method_); }

  R (Owner::*method_)(Args...);
};

template <class C, class T>
class TComponentFieldInfo : public TFieldInfo {
 public:
  TComponentFieldInfo(const AnsiString &name, T *C::*field) : TFieldInfo(name), field_(field) {}

  bool Set(TObject &root, TComponent *component) const override {
    T *typed = dynamic_cast<T *>(component);
    if (component && !typed) return false;
    static_cast<C &>(root).*field_ = typed;
    return true;
  }
  TComponent *Get(const TObject &root) const override {
    return static_cast<const C &>(root).*field_;
  }

 private:
  T *C::*field_;
};

}  // namespace publisher_detail

template <class C, class Parent>
class TPublisher {
 public:
  explicit TPublisher(TMetaClass &meta) : meta_(meta) {}

  template <class T, class Base>
  requires(!std::is_function_v<T>) TPropInfo &Property(const char *name, T Base::*field) {
    return AddField<T>(name, field, std::nullopt);
  }
  template <class T, class Base, class D>
  requires(!std::is_function_v<T>) TPropInfo &Property(const char *name, T Base::*field,
                                                       const D &fallback) {
    return AddField<T>(name, field, T(fallback));
  }

  template <class T, class Base, class SetBase, class SetArg>
  TPropInfo &Property(const char *name, T (Base::*get)() const, void (SetBase::*set)(SetArg)) {
    return AddAccessors<std::remove_cvref_t<T>>(name, get, set, std::nullopt);
  }
  template <class T, class Base, class SetBase, class SetArg, class D>
  TPropInfo &Property(const char *name, T (Base::*get)() const, void (SetBase::*set)(SetArg),
                      const D &fallback) {
    using Value = std::remove_cvref_t<T>;
    return AddAccessors<Value>(name, get, set, Value(fallback));
  }

  // A field or a getter (const or not).
  template <class Member>
  TPropInfo &ReadOnly(const char *name, Member member) {
    return AddReadOnly<ValueOf<Member>>(name, member, std::nullopt);
  }
  template <class Member, class D>
  TPropInfo &ReadOnly(const char *name, Member member, const D &fallback) {
    return AddReadOnly<ValueOf<Member>>(name, member, ValueOf<Member>(fallback));
  }

  template <class Signature, class Base>
  TPropInfo &Event(const char *name, TClosure<Signature> Base::*field) {
    return meta_.Add(std::make_unique<publisher_detail::TClosurePropInfo<C, TClosure<Signature>>>(
        name, static_cast<TClosure<Signature> C::*>(field)));
  }

  template <class Sub, class Base>
  TPropInfo &Object(const char *name, Sub *const Base::*field) {
    static_assert(std::is_base_of_v<TPersistent, Sub>);
    return meta_.Add(std::make_unique<publisher_detail::TSubObjectPropInfo<C, Sub>>(
        name, static_cast<Sub *const C::*>(field)));
  }

  template <class R, class Owner, class... Args>
  void Method(const char *name, R (Owner::*method)(Args...)) {
    static_assert(std::is_base_of_v<Owner, C>);
    meta_.Add(
        std::make_unique<publisher_detail::TBoundMethodInfo<C, R, Owner, Args...>>(name, method));
  }

  template <class T, class Base>
  void Field(const char *name, T *Base::*field) {
    static_assert(std::is_base_of_v<TComponent, T>, "published fields hold components");
    meta_.Add(std::make_unique<publisher_detail::TComponentFieldInfo<C, T>>(
        name, static_cast<T * C::*>(field)));
  }

 private:
  template <class Member>
  using ValueOf = std::remove_cvref_t<std::invoke_result_t<Member, C &>>;

  template <class T>
  TPropInfo &Add(const char *name, typename publisher_detail::TTypedPropInfo<T>::TGetter get,
                 typename publisher_detail::TTypedPropInfo<T>::TSetter set,
                 std::optional<T> fallback) {
    return meta_.Add(std::make_unique<publisher_detail::TTypedPropInfo<T>>(
        name, std::move(get), std::move(set), std::move(fallback)));
  }

  template <class T, class Base>
  TPropInfo &AddField(const char *name, T Base::*field, std::optional<T> fallback) {
    return Add<T>(
        name, [field](TPersistent &object) { return static_cast<C &>(object).*field; },
        [field](TPersistent &object, const T &value) { static_cast<C &>(object).*field = value; },
        std::move(fallback));
  }

  template <class Value, class Get, class Set>
  TPropInfo &AddAccessors(const char *name, Get get, Set set, std::optional<Value> fallback) {
    return Add<Value>(
        name, [get](TPersistent &object) { return (static_cast<C &>(object).*get)(); },
        [set](TPersistent &object, const Value &value) { (static_cast<C &>(object).*set)(value); },
        std::move(fallback));
  }

  template <class Value, class Member>
  TPropInfo &AddReadOnly(const char *name, Member member, std::optional<Value> fallback) {
    return Add<Value>(
        name,
        [member](TPersistent &object) { return std::invoke(member, static_cast<C &>(object)); },
        nullptr, std::move(fallback));
  }

  TMetaClass &meta_;
};

namespace publisher_detail {

template <class C, class Parent>
Parent *ParentOf(void (*)(TPublisher<C, Parent> &));
template <class C, class Parent>
C *SelfOf(void (*)(TPublisher<C, Parent> &));

template <class C>
TMetaClass::TFactory FactoryOf() {
  if constexpr (std::is_base_of_v<TComponent, C> && !std::is_abstract_v<C> &&
                std::is_constructible_v<C, TComponent *>)
    return [](TComponent *owner) -> TComponent * { return new C(owner); };
  else
    return nullptr;
}

}  // namespace publisher_detail

template <class C>
const TMetaClass &ClassOf();

namespace publisher_detail {

template <class C>
TMetaClass Describe() {
  using Self = std::remove_pointer_t<decltype(SelfOf(&C::Publish))>;
  using Parent = std::remove_pointer_t<decltype(ParentOf(&C::Publish))>;
  static_assert(std::is_same_v<Self, C>, "the class must declare its own Publish");
  const TMetaClass *parent = nullptr;
  if constexpr (!std::is_void_v<Parent>) {
    static_assert(std::is_base_of_v<Parent, C>, "Publish names a parent the class lacks");
    parent = &ClassOf<Parent>();
  }
  TMetaClass meta(ClassNameOf(typeid(C)), parent, FactoryOf<C>());
  TPublisher<C, Parent> publisher(meta);
  C::Publish(publisher);
  return meta;
}

}  // namespace publisher_detail

namespace publisher_detail {

// The description of the class whose type name is `typeName`, built by `describe` when first
// asked for. It lives in the library, so a program linking the shared library and the library
// itself see one description of each class even where each module instantiates ClassOf.
const TMetaClass &SharedDescription(const char *typeName, TMetaClass (*describe)());

}  // namespace publisher_detail

// The one description of class C, built on first use.
template <class C>
const TMetaClass &ClassOf() {
  static const TMetaClass &meta =
      publisher_detail::SharedDescription(typeid(C).name(), &publisher_detail::Describe<C>);
  return meta;
}

template <class C, class Closure>
AnsiString publisher_detail::TClosurePropInfo<C, Closure>::BoundMethodName(
    const TPersistent &object, const TObject &root) const {
  const Closure &closure = static_cast<const C &>(object).*field_;
  if (!closure) return AnsiString();
  for (const TMethodInfo *method : root.ClassType().Methods())
    if (method->ClosureType() == typeid(Closure) && method->IsBoundIn(root, &closure))
      return method->Name();
  return AnsiString();
}

template <class C, class Closure>
void publisher_detail::TClosurePropInfo<C, Closure>::Bind(TPersistent &object, TObject &root,
                                                          const AnsiString &methodName) const {
  const TMethodInfo *method = root.ClassType().FindMethod(methodName);
  if (!method)
    throw EReadError("Method " + methodName + " of event " + Name() + " not found in " +
                     root.ClassName());
  if (method->ClosureType() != typeid(Closure))
    throw EReadError("Method " + methodName + " does not fit event " + Name());
  method->AssignTo(root, &(static_cast<C &>(object).*field_));
}
