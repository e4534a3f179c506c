// A property value as a form file writes it: a number, a quoted string, an identifier or a
// set of identifiers.
#pragma once

#include <cstdint>
#include <vector>

#include "AnsiString.h"

struct TFormValue {
  enum class TKind { Integer, String, Ident, Set };

  static TFormValue OfInteger(int64_t value) { return {TKind::Integer, value, {}, {}}; }
  static TFormValue OfString(const AnsiString &text) { return {TKind::String, 0, text, {}}; }
  static TFormValue OfIdent(const AnsiString &name) { return {TKind::Ident, 0, name, {}}; }
  static TFormValue OfSet(std::vector<AnsiString> names) {
    return {TKind::Set, 0, {}, std::move(names)};
  }

  TKind Kind = TKind::Integer;
  int64_t Integer = 0;
  AnsiString Text;
  std::vector<AnsiString> Elements;
};
