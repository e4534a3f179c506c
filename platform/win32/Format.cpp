#include "platform/win32/Format.h"

#include <cstdarg>
#include <cstring>
#include <string>

namespace {

constexpr size_t kOutputLimit = 1024;

struct Conversion {
  bool leftAlign = false;
  bool zeroPad = false;
  size_t width = 0;
  int precision = -1;
  char type = 0;
};

// Parses flags, width, precision and size prefix after '%'; returns where the type letter is.
const char *ParseConversion(const char *at, Conversion &conversion) {
  for (;; ++at) {
    if (*at == '-') {
      conversion.leftAlign = true;
    } else if (*at == '0') {
      conversion.zeroPad = true;
    } else {
      break;
    }
  }
  while (*at >= '0' && *at <= '9')
    conversion.width = conversion.width * 10 + static_cast<size_t>(*at++ - '0');
  if (*at == '.') {
    conversion.precision = 0;
    while (*++at >= '0' && *at <= '9')
      conversion.precision = conversion.precision * 10 + (*at - '0');
  }
  while (*at == 'l' || *at == 'h') ++at;
  conversion.type = *at;
  return at;
}

std::string Digits(uint32_t value, unsigned base, bool upper) {
  const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value % base]);
    value /= base;
  } while (value != 0);
  return text;
}

// Pads body to the width; zeros go after the sign.
std::string Pad(std::string body, const Conversion &conversion, bool numeric) {
  if (numeric && conversion.precision > static_cast<int>(body.size())) {
    body.insert(0, static_cast<size_t>(conversion.precision) - body.size(), '0');
  }
  if (body.size() >= conversion.width) return body;
  size_t fill = conversion.width - body.size();
  if (conversion.leftAlign) return body + std::string(fill, ' ');
  if (conversion.zeroPad && numeric) {
    size_t signLength = !body.empty() && body[0] == '-' ? 1 : 0;
    return body.insert(signLength, fill, '0');
  }
  return std::string(fill, ' ') + body;
}

std::string Convert(const Conversion &conversion, va_list &args) {
  switch (conversion.type) {
    case 'd':
    case 'i': {
      int32_t value = va_arg(args, int32_t);
      std::string magnitude = Digits(
          value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value), 10, false);
      return Pad(value < 0 ? "-" + magnitude : magnitude, conversion, true);
    }
    case 'u':
      return Pad(Digits(va_arg(args, uint32_t), 10, false), conversion, true);
    case 'x':
    case 'X':
      return Pad(Digits(va_arg(args, uint32_t), 16, conversion.type == 'X'), conversion, true);
    case 'c':
      return Pad(std::string(1, static_cast<char>(va_arg(args, int))), conversion, false);
    case 's': {
      const char *text = va_arg(args, const char *);
      std::string body = text ? text : "(null)";
      if (conversion.precision >= 0 && body.size() > static_cast<size_t>(conversion.precision)) {
        body.resize(static_cast<size_t>(conversion.precision));
      }
      return Pad(body, conversion, false);
    }
    default:
      // An unknown conversion prints its letter, as Windows does.
      return conversion.type ? std::string(1, conversion.type) : std::string();
  }
}

}  // namespace

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
  if (!lpOut || !lpFmt) return 0;
  va_list args;
  va_start(args, lpFmt);
  std::string out;
  for (const char *at = lpFmt; *at && out.size() < kOutputLimit; ++at) {
    if (*at != '%') {
      out += *at;
      continue;
    }
    Conversion conversion;
    at = ParseConversion(at + 1, conversion);
    if (!*at) break;
    out += Convert(conversion, args);
  }
  va_end(args);
  if (out.size() > kOutputLimit - 1) out.resize(kOutputLimit - 1);
  std::memcpy(lpOut, out.c_str(), out.size() + 1);
  return static_cast<int>(out.size());
}
