#include "PropertyTypes.h"

namespace property_type_detail {

void BadValue(const AnsiString &property, const char *expected) {
  throw EReadError("Invalid value for property " + property + ": expected " + expected);
}

int64_t IntegerIn(const TFormValue &value, const AnsiString &property, int64_t low, int64_t high) {
  if (value.Kind != TFormValue::TKind::Integer) BadValue(property, "a number");
  if (value.Integer < low || value.Integer > high)
    throw EReadError("Value " + AnsiString(static_cast<long long>(value.Integer)) +
                     " out of range for property " + property);
  return value.Integer;
}

const AnsiString &IdentOf(const TFormValue &value, const AnsiString &property) {
  if (value.Kind != TFormValue::TKind::Ident) BadValue(property, "an identifier");
  return value.Text;
}

int IndexOfName(std::span<const char *const> names, const AnsiString &name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return static_cast<int>(i);
  return -1;
}

}  // namespace property_type_detail

bool TPropertyType<bool>::Decode(const TFormValue &value, const AnsiString &property) {
  const AnsiString &name = property_type_detail::IdentOf(value, property);
  if (SameText(name, "True")) return true;
  if (SameText(name, "False")) return false;
  property_type_detail::BadValue(property, "True or False");
}

AnsiString TPropertyType<AnsiString>::Decode(const TFormValue &value, const AnsiString &property) {
  if (value.Kind != TFormValue::TKind::String) property_type_detail::BadValue(property, "a string");
  return value.Text;
}
