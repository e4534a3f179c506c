// How each published property type is written to and read from a form file.
//   int, DWORD     a number, range-checked when read
//   bool           True or False
//   AnsiString     a quoted string
//   enumeration    its identifier, from EnumNames(E) found next to the enumeration
//   TColor-like    an identifier from IdentMap(E) when the value has one, else a number
//   TSet<E>        [identifiers]
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <span>
#include <type_traits>

#include "FormValue.h"
#include "MetaClass.h"

struct TIdentMapEntry {
  int32_t Value;
  const char *Name;
};

template <class E>
concept NamedEnum = std::is_enum_v<E> && requires(E e) {
  { EnumNames(e) } -> std::convertible_to<std::span<const char *const>>;
};

template <class E>
concept IdentMappedEnum = std::is_enum_v<E> && requires(E e) {
  { IdentMap(e) } -> std::convertible_to<std::span<const TIdentMapEntry>>;
};

// A set of the values of a named enumeration with at most 32 values.
template <NamedEnum E>
class TSet {
 public:
  TSet() = default;
  TSet(std::initializer_list<E> values) {
    for (E value : values) Include(value);
  }
  bool Contains(E value) const { return bits_ & Bit(value); }
  TSet &Include(E value) {
    bits_ |= Bit(value);
    return *this;
  }
  TSet &Exclude(E value) {
    bits_ &= ~Bit(value);
    return *this;
  }
  bool Empty() const { return bits_ == 0; }
  friend bool operator==(const TSet &, const TSet &) = default;

 private:
  static uint32_t Bit(E value) { return uint32_t{1} << static_cast<unsigned>(value); }
  uint32_t bits_ = 0;
};

template <class T>
struct TPropertyType;

namespace property_type_detail {

[[noreturn]] void BadValue(const AnsiString &property, const char *expected);
int64_t IntegerIn(const TFormValue &value, const AnsiString &property, int64_t low, int64_t high);
const AnsiString &IdentOf(const TFormValue &value, const AnsiString &property);
int IndexOfName(std::span<const char *const> names, const AnsiString &name);

}  // namespace property_type_detail

template <>
struct TPropertyType<int> {
  static TFormValue Encode(int value) { return TFormValue::OfInteger(value); }
  static int Decode(const TFormValue &value, const AnsiString &property) {
    return static_cast<int>(property_type_detail::IntegerIn(value, property, INT32_MIN, INT32_MAX));
  }
};

// 32-bit unsigned numbers: DWORD is unsigned int on the Linux layer, unsigned long on Windows.
template <std::unsigned_integral U>
requires(sizeof(U) == 4) struct TPropertyType<U> {
  static TFormValue Encode(U value) { return TFormValue::OfInteger(value); }
  static U Decode(const TFormValue &value, const AnsiString &property) {
    return static_cast<U>(property_type_detail::IntegerIn(value, property, 0, UINT32_MAX));
  }
};

template <>
struct TPropertyType<bool> {
  static TFormValue Encode(bool value) { return TFormValue::OfIdent(value ? "True" : "False"); }
  static bool Decode(const TFormValue &value, const AnsiString &property);
};

template <>
struct TPropertyType<AnsiString> {
  static TFormValue Encode(const AnsiString &value) { return TFormValue::OfString(value); }
  static AnsiString Decode(const TFormValue &value, const AnsiString &property);
};

template <NamedEnum E>
struct TPropertyType<E> {
  static TFormValue Encode(E value) {
    const auto names = EnumNames(value);
    const auto index = static_cast<size_t>(value);
    return index < names.size() ? TFormValue::OfIdent(names[index])
                                : TFormValue::OfInteger(static_cast<int64_t>(value));
  }
  static E Decode(const TFormValue &value, const AnsiString &property) {
    const int index = property_type_detail::IndexOfName(
        EnumNames(E{}), property_type_detail::IdentOf(value, property));
    if (index < 0) property_type_detail::BadValue(property, "one of its identifiers");
    return static_cast<E>(index);
  }
};

template <IdentMappedEnum E>
struct TPropertyType<E> {
  static TFormValue Encode(E value) {
    for (const TIdentMapEntry &entry : IdentMap(value))
      if (entry.Value == static_cast<int32_t>(value)) return TFormValue::OfIdent(entry.Name);
    return TFormValue::OfInteger(static_cast<int64_t>(value));
  }
  static E Decode(const TFormValue &value, const AnsiString &property) {
    using Underlying = std::underlying_type_t<E>;
    if (value.Kind == TFormValue::TKind::Integer)
      return static_cast<E>(
          property_type_detail::IntegerIn(value, property, std::numeric_limits<Underlying>::min(),
                                          std::numeric_limits<Underlying>::max()));
    const AnsiString &name = property_type_detail::IdentOf(value, property);
    for (const TIdentMapEntry &entry : IdentMap(E{}))
      if (SameText(entry.Name, name)) return static_cast<E>(entry.Value);
    property_type_detail::BadValue(property, "a number or one of its identifiers");
  }
};

template <NamedEnum E>
struct TPropertyType<TSet<E>> {
  static TFormValue Encode(const TSet<E> &set) {
    const auto names = EnumNames(E{});
    std::vector<AnsiString> members;
    for (size_t i = 0; i < names.size(); ++i)
      if (set.Contains(static_cast<E>(i))) members.push_back(names[i]);
    return TFormValue::OfSet(std::move(members));
  }
  static TSet<E> Decode(const TFormValue &value, const AnsiString &property) {
    if (value.Kind != TFormValue::TKind::Set) property_type_detail::BadValue(property, "a set");
    TSet<E> set;
    for (const AnsiString &name : value.Elements) {
      const int index = property_type_detail::IndexOfName(EnumNames(E{}), name);
      if (index < 0) property_type_detail::BadValue(property, "a set of its identifiers");
      set.Include(static_cast<E>(index));
    }
    return set;
  }
};
