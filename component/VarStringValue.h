// Reading what TAPI answers in a VARSTRING.
#pragma once

#include <tapi.h>
#include <windows.h>

#include <optional>

// The 32-bit value at the start of the record's string (a wave device id, a comm handle),
// when the string holds one and lies inside the record: nothing is read from outside it.
std::optional<DWORD> LeadingDword(const VARSTRING &answer);
