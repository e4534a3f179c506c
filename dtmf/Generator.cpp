#include "dtmf/Generator.h"

#include <spandsp.h>

#include <algorithm>
#include <new>

#include "platform/tapi32/DigitString.h"

namespace dtmf {

namespace {

constexpr size_t kSamplesPerMs = 8;

// A new generator for null; else the one given, reset.
dtmf_tx_state_s *Prepared(dtmf_tx_state_s *state, Timing timing, int levelDbm0) {
  dtmf_tx_state_s *generator = dtmf_tx_init(state);
  if (generator == nullptr) throw std::bad_alloc();
  dtmf_tx_set_level(generator, levelDbm0, 0);
  dtmf_tx_set_timing(generator, static_cast<int>(timing.toneMs), static_cast<int>(timing.gapMs));
  return generator;
}

}  // namespace

Generator::Generator(Timing timing, int levelDbm0)
    : generator_(Prepared(nullptr, timing, levelDbm0)), timing_(timing), levelDbm0_(levelDbm0) {}

Generator::~Generator() {
  dtmf_tx_free(generator_);
}

bool Generator::Queue(std::string_view digits) {
  if (!IsDtmfDigitString(digits)) return false;
  queued_ += digits;
  return true;
}

size_t Generator::Render(std::span<int16_t> into) {
  size_t written = 0;
  while (written < into.size() && (left_ > 0 || StartNext())) {
    const std::span<int16_t> part = into.subspan(written, std::min(left_, into.size() - written));
    const size_t made =
        digit_
            ? static_cast<size_t>(dtmf_tx(generator_, part.data(), static_cast<int>(part.size())))
            : 0;
    std::fill(part.begin() + static_cast<std::ptrdiff_t>(made), part.end(), int16_t{0});
    left_ -= part.size();
    written += part.size();
  }
  return written;
}

bool Generator::StartNext() {
  if (queued_.empty()) return false;
  const char next = queued_.front();
  queued_.erase(0, 1);
  digit_ = next != ',';
  if (digit_) {
    dtmf_tx_put(generator_, &next, 1);
    left_ = (timing_.toneMs + timing_.gapMs) * kSamplesPerMs;
  } else {
    left_ = timing_.pauseMs * kSamplesPerMs;
  }
  return true;
}

bool Generator::Done() const {
  return queued_.empty() && left_ == 0;
}

void Generator::Clear() {
  queued_.clear();
  left_ = 0;
  Prepared(generator_, timing_, levelDbm0_);
}

std::vector<int16_t> DigitSound(std::string_view digits, Timing timing, int levelDbm0) {
  Generator generator(timing, levelDbm0);
  if (!generator.Queue(digits)) return {};
  std::vector<int16_t> sound;
  int16_t block[800];
  while (size_t made = generator.Render(block)) sound.insert(sound.end(), block, block + made);
  return sound;
}

}  // namespace dtmf
