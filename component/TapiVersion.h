// The TAPI versions the component asks for and accepts, and how it writes them.
#pragma once

#include <vcl.h>
#include <windows.h>

// Asked for by every lineInitializeEx; a TAPI reporting less is refused.
inline constexpr DWORD kRequiredTapiVersion = 0x00020000;
// The range offered to lineNegotiateAPIVersion: any version from 1.3 upward.
inline constexpr DWORD kLowestNegotiatedVersion = 0x00010003;
inline constexpr DWORD kHighestNegotiatedVersion = 0x0FFF0FFF;

// "2.0" for 0x00020000: high and low 16 bits in decimal.
AnsiString TapiVersionText(DWORD dwVersion);

// The refusal of a TAPI older than the required version, given as text and as number.
AnsiString InvalidTapiVersionText(const AnsiString &asVersionText, DWORD dwVersion);
