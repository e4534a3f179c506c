// wsprintfA: the Windows formatter with its own conversions. 'l' means 32 bits, as on Windows,
// so DWORD and LONG arguments take %lu, %ld and %lx.
#pragma once

#include "wintypes.h"

// Writes at most 1024 bytes including the terminating zero, as Windows does; returns the
// number of characters written without it.
int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...);
