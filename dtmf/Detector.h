// Finds touch-tone digits in 8 kHz, 16-bit mono sound fed in order, with spandsp's DTMF
// receiver: digits of 40 ms and more at -3 to -26 dBm0 a tone, with up to 8 dB of normal and
// 4 dB of reverse twist, and none in speech. Each digit is reported once as it begins and once
// as it ends, at the sample where it did (to within a few milliseconds).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct dtmf_rx_state_s;

namespace dtmf {

struct DigitEdge {
  char digit = 0;  // 0-9 * # A-D
  // False: the digit's tone began; true: it ended.
  bool ended = false;
  // Where, counted in samples from the first one fed.
  uint64_t sample = 0;
};

class Detector {
 public:
  Detector();
  ~Detector();
  Detector(const Detector &) = delete;
  Detector &operator=(const Detector &) = delete;

  // The edges that the next samples complete, in order. A digit still sounding at the end
  // of `samples` is reported by the call whose samples confirm it.
  std::vector<DigitEdge> Feed(std::span<const int16_t> samples);
  uint64_t SamplesFed() const { return fed_; }

 private:
  static void OnEdge(void *self, int code, int level, int duration);

  dtmf_rx_state_s *receiver_;
  uint64_t fed_ = 0;
  char sounding_ = 0;
  std::vector<DigitEdge> found_;
};

}  // namespace dtmf
