// The framework's counted byte string. It may hold NUL bytes; c_str() is always
// NUL-terminated. Character positions are 1-based, as the framework counts them.
#pragma once

#include <compare>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

class AnsiString {
 public:
  AnsiString() = default;
  AnsiString(const char *text);
  AnsiString(const char *bytes, int length);
  AnsiString(char c);
  // Decimal text of the value; a DWORD 0xFFFFFFFF reads 4294967295, an int -1 reads -1.
  AnsiString(int value);
  AnsiString(unsigned int value);
  AnsiString(long value);
  AnsiString(unsigned long value);
  AnsiString(long long value);
  AnsiString(unsigned long long value);
  explicit AnsiString(std::string_view bytes);

  const char *c_str() const { return bytes_.c_str(); }
  const char *data() const { return bytes_.data(); }
  int Length() const { return static_cast<int>(bytes_.size()); }
  bool IsEmpty() const { return bytes_.empty(); }
  std::string_view View() const { return bytes_; }

  // 1-based; a position outside 1..Length() raises ERangeError.
  char operator[](int index) const;
  char &operator[](int index);

  // Like the framework's Copy: a start before 1 counts from 1, the count is cut to what exists.
  AnsiString SubString(int start, int count) const;
  // 1-based position of the first occurrence, 0 when absent (and for an empty needle).
  int Pos(const AnsiString &needle) const;
  // Grows with NUL bytes or cuts the string.
  AnsiString &SetLength(int length);
  AnsiString UpperCase() const;
  AnsiString LowerCase() const;
  AnsiString Trim() const;

  // Decimal or $hex; anything else raises EConvertError.
  int ToInt() const;
  int ToIntDef(int fallback) const;

  AnsiString &operator+=(const AnsiString &tail);

  friend AnsiString operator+(AnsiString head, const AnsiString &tail) { return head += tail; }
  friend AnsiString operator+(const char *head, const AnsiString &tail) {
    return AnsiString(head) += tail;
  }
  friend bool operator==(const AnsiString &a, const AnsiString &b) { return a.bytes_ == b.bytes_; }
  friend std::strong_ordering operator<=>(const AnsiString &a, const AnsiString &b) {
    return a.bytes_ <=> b.bytes_;
  }

 private:
  void CheckIndex(int index) const;

  std::string bytes_;
};

std::ostream &operator<<(std::ostream &out, const AnsiString &text);

// Signed decimal for signed types, unsigned decimal for unsigned ones.
AnsiString IntToStr(int value);
AnsiString IntToStr(unsigned int value);
AnsiString IntToStr(long value);
AnsiString IntToStr(unsigned long value);
AnsiString IntToStr(long long value);
AnsiString IntToStr(unsigned long long value);

// Case-insensitive comparison of identifiers (component, class and property names).
bool SameText(const AnsiString &a, const AnsiString &b);
