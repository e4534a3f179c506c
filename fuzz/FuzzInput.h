// What the fuzz targets share: reading choices off the front of the input, and stopping the
// run on a broken promise the sanitizers cannot see.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

namespace fuzz {

// The input, consumed from the front: choices first, the rest is the payload.
class Input {
 public:
  Input(const uint8_t *data, size_t size) : bytes_(data, size) {}

  // The next `N`-byte little-endian number, 0 once the input is spent.
  template <typename T>
  T Take() {
    T value{};
    const size_t n = std::min(sizeof(T), bytes_.size());
    std::memcpy(&value, bytes_.data(), n);
    bytes_ = bytes_.subspan(n);
    return value;
  }
  std::span<const uint8_t> Rest() const { return bytes_; }

 private:
  std::span<const uint8_t> bytes_;
};

[[noreturn]] inline void Broken(const char *what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

inline void Require(bool held, const char *what) {
  if (!held) Broken(what);
}

}  // namespace fuzz
