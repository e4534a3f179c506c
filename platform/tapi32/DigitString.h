// The characters of touch-tone digit strings: what a DTMF tone can carry (0-9 * # A-D) and
// what lineGenerateDigits takes in LINEDIGITMODE_DTMF (those and ',' for a pause).
#pragma once

#include <algorithm>
#include <string_view>

constexpr bool IsDtmfDigit(char c) {
  return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D');
}

constexpr bool IsDtmfDigitString(std::string_view digits) {
  return std::all_of(digits.begin(), digits.end(),
                     [](char c) { return IsDtmfDigit(c) || c == ','; });
}
