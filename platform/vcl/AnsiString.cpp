#include "AnsiString.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ostream>

#include "Exceptions.h"

namespace {

template <class Integer>
std::string Decimal(Integer value) {
  char text[24];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

bool ParseInt(std::string_view text, int &value) {
  int base = 10;
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  unsigned long long magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  if (magnitude > 1ull << 31) return false;
  long long signedValue =
      negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

}  // namespace

AnsiString::AnsiString(const char *text) : bytes_(text ? text : "") {}
AnsiString::AnsiString(const char *bytes, int length)
    : bytes_(bytes, static_cast<size_t>(std::max(length, 0))) {}
AnsiString::AnsiString(char c) : bytes_(1, c) {}
AnsiString::AnsiString(int value) : bytes_(Decimal(value)) {}
AnsiString::AnsiString(unsigned int value) : bytes_(Decimal(value)) {}
AnsiString::AnsiString(long value) : bytes_(Decimal(value)) {}
AnsiString::AnsiString(unsigned long value) : bytes_(Decimal(value)) {}
AnsiString::AnsiString(long long value) : bytes_(Decimal(value)) {}
AnsiString::AnsiString(unsigned long long value) : bytes_(Decimal(value)) {}
AnsiString::AnsiString(std::string_view bytes) : bytes_(bytes) {}

void AnsiString::CheckIndex(int index) const {
  if (index < 1 || index > Length())
    throw ERangeError("String index " + AnsiString(index) + " out of range 1.." +
                      AnsiString(Length()));
}

char AnsiString::operator[](int index) const {
  CheckIndex(index);
  return bytes_[static_cast<size_t>(index - 1)];
}

char &AnsiString::operator[](int index) {
  CheckIndex(index);
  return bytes_[static_cast<size_t>(index - 1)];
}

AnsiString AnsiString::SubString(int start, int count) const {
  if (start < 1) {
    count += start - 1;
    start = 1;
  }
  if (count <= 0 || start > Length()) return AnsiString();
  return AnsiString(
      std::string_view(bytes_).substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

int AnsiString::Pos(const AnsiString &needle) const {
  if (needle.IsEmpty()) return 0;
  size_t at = bytes_.find(needle.bytes_);
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

AnsiString &AnsiString::SetLength(int length) {
  bytes_.resize(static_cast<size_t>(std::max(length, 0)), '\0');
  return *this;
}

AnsiString AnsiString::UpperCase() const {
  AnsiString result(*this);
  for (char &c : result.bytes_) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

AnsiString AnsiString::LowerCase() const {
  AnsiString result(*this);
  for (char &c : result.bytes_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

AnsiString AnsiString::Trim() const {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  auto first = std::find_if_not(bytes_.begin(), bytes_.end(), isBlank);
  auto last = std::find_if_not(bytes_.rbegin(), bytes_.rend(), isBlank).base();
  return first < last ? AnsiString(std::string_view(&*first, static_cast<size_t>(last - first)))
                      : AnsiString();
}

int AnsiString::ToInt() const {
  int value = 0;
  if (!ParseInt(Trim().View(), value))
    throw EConvertError("'" + *this + "' is not a valid integer value");
  return value;
}

int AnsiString::ToIntDef(int fallback) const {
  int value = 0;
  return ParseInt(Trim().View(), value) ? value : fallback;
}

AnsiString &AnsiString::operator+=(const AnsiString &tail) {
  bytes_ += tail.bytes_;
  return *this;
}

std::ostream &operator<<(std::ostream &out, const AnsiString &text) {
  return out.write(text.data(), text.Length());
}

AnsiString IntToStr(int value) {
  return AnsiString(value);
}
AnsiString IntToStr(unsigned int value) {
  return AnsiString(value);
}
AnsiString IntToStr(long value) {
  return AnsiString(value);
}
AnsiString IntToStr(unsigned long value) {
  return AnsiString(value);
}
AnsiString IntToStr(long long value) {
  return AnsiString(value);
}
AnsiString IntToStr(unsigned long long value) {
  return AnsiString(value);
}

bool SameText(const AnsiString &a, const AnsiString &b) {
  return a.Length() == b.Length() && a.UpperCase() == b.UpperCase();
}
