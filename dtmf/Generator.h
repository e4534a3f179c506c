// Plays touch-tone digits as 8 kHz, 16-bit mono sound with spandsp's DTMF generator, as a
// stream: digits are queued and the sound is taken in blocks of any size as time passes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct dtmf_tx_state_s;

namespace dtmf {

struct Timing {
  uint32_t toneMs = 100;
  // The silence after each tone.
  uint32_t gapMs = 100;
  // What a ',' in the digits makes.
  uint32_t pauseMs = 2000;
};

class Generator {
 public:
  // Each tone at `levelDbm0` (both frequencies alike).
  explicit Generator(Timing timing = {}, int levelDbm0 = -10);
  ~Generator();
  Generator(const Generator &) = delete;
  Generator &operator=(const Generator &) = delete;

  // Queues 0-9 * # A-D and ',' after what is still to be played; false, and nothing queued,
  // for a string with any other character.
  bool Queue(std::string_view digits);
  // Fills `into` with what comes next; returns how many samples that took, fewer than asked
  // only once everything queued has been played.
  size_t Render(std::span<int16_t> into);
  bool Done() const;
  // Forgets what is still to be played; a tone already begun ends at once.
  void Clear();

 private:
  // Starts the next queued digit or pause; false when none is left.
  bool StartNext();

  dtmf_tx_state_s *generator_;
  Timing timing_;
  int levelDbm0_;
  std::string queued_;
  // What is being played: a digit (its tone and gap) or a pause, and how much of it is left.
  bool digit_ = false;
  size_t left_ = 0;
};

// The whole sound of `digits` (as Generator::Queue takes them), each tone followed by its gap;
// empty for a string with any other character.
std::vector<int16_t> DigitSound(std::string_view digits, Timing timing = {}, int levelDbm0 = -10);

}  // namespace dtmf
