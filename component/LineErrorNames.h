// Names of the LINEERR_ constants, indexed by the low bits of a line error code.
#pragma once

#include <cstddef>

#include <vcl.h>
#include <windows.h>

// Indexes 0 (0x80000000) to 86 (0x80000056, the last code of TAPI 2.x).
inline constexpr std::size_t kLineErrorNameCount = 87;

// The name for the index, "" for index 0, or null beyond the table.
const char *LineErrorName(DWORD dwIndex);
// True for the two values the published set leaves unused.
bool IsUnusedLineError(DWORD dwIndex);

// TapiErrorText of the code, as a string.
AnsiString TapiErrorString(LONG lCode);
