#include "platform/win32/Format.h"

#include <cstdarg>
#include <cstring>
#include <string>

namespace {

constexpr size_t kOutputLimit = 1024;

struct Spec {
  bool leftAlign = false;
  bool zeroPad = false;
  size_t width = 0;
  int precision = -1;
  char type = 0;
};

// Parses flags, width, precision and size prefix after '%'; returns where the type letter is.
const char *ParseSpec(const char *at, Spec &spec) {
  for (;; ++at) {
    if (*at == '-') {
      spec.leftAlign = true;
    } else if (*at == '0') {
      spec.zeroPad = true;
    } else {
      break;
    }
  }
  while (*at >= '0' && *at <= '9') spec.width = spec.width * 10 + static_cast<size_t>(*at++ - '0');
  if (*at == '.') {
    spec.precision = 0;
    while (*++at >= '0' && *at <= '9') spec.precision = spec.precision * 10 + (*at - '0');
  }
  while (*at == 'l' || *at == 'h') ++at;
  spec.type = *at;
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
std::string Pad(std::string body, const Spec &spec, bool numeric) {
  if (numeric && spec.precision > static_cast<int>(body.size())) {
    body.insert(0, static_cast<size_t>(spec.precision) - body.size(), '0');
  }
  if (body.size() >= spec.width) return body;
  size_t fill = spec.width - body.size();
  if (spec.leftAlign) return body + std::string(fill, ' ');
  if (spec.zeroPad && numeric) {
    size_t signLength = !body.empty() && body[0] == '-' ? 1 : 0;
    return body.insert(signLength, fill, '0');
  }
  return std::string(fill, ' ') + body;
}

std::string Convert(const Spec &spec, va_list &args) {
  switch (spec.type) {
    case 'd':
    case 'i': {
      int32_t value = va_arg(args, int32_t);
      std::string magnitude = Digits(
          value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value), 10, false);
      return Pad(value < 0 ? "-" + magnitude : magnitude, spec, true);
    }
    case 'u':
      return Pad(Digits(va_arg(args, uint32_t), 10, false), spec, true);
    case 'x':
    case 'X':
      return Pad(Digits(va_arg(args, uint32_t), 16, spec.type == 'X'), spec, true);
    case 'c':
      return Pad(std::string(1, static_cast<char>(va_arg(args, int))), spec, false);
    case 's': {
      const char *text = va_arg(args, const char *);
      std::string body = text ? text : "(null)";
      if (spec.precision >= 0 && body.size() > static_cast<size_t>(spec.precision)) {
        body.resize(static_cast<size_t>(spec.precision));
      }
      return Pad(body, spec, false);
    }
    default:
      // An unknown conversion prints its letter, as Windows does.
      return spec.type ? std::string(1, spec.type) : std::string();
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
    Spec spec;
    at = ParseSpec(at + 1, spec);
    if (!*at) break;
    out += Convert(spec, args);
  }
  va_end(args);
  if (out.size() > kOutputLimit - 1) out.resize(kOutputLimit - 1);
  std::memcpy(lpOut, out.c_str(), out.size() + 1);
  return static_cast<int>(out.size());
}
