// Measuring sound by its frequencies rather than its bytes.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>

namespace tone {

// Power of `frequency` in the samples (Goertzel), normalised by their number.
inline double Power(std::span<const int16_t> samples, double frequency, double rate = 8000) {
  const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / rate);
  double previous = 0, before = 0;
  for (const int16_t sample : samples) {
    const double current = sample + coefficient * previous - before;
    before = previous;
    previous = current;
  }
  const double power = previous * previous + before * before - coefficient * previous * before;
  return power / samples.size();
}

// True when `frequency` carries far more energy than its neighbours 300 Hz away.
inline bool Dominant(std::span<const int16_t> samples, double frequency, double rate = 8000) {
  const double at = Power(samples, frequency, rate);
  return at > 100 * Power(samples, frequency - 300, rate) &&
         at > 100 * Power(samples, frequency + 300, rate);
}

inline double Rms(std::span<const int16_t> samples) {
  double sum = 0;
  for (const int16_t sample : samples) sum += static_cast<double>(sample) * sample;
  return samples.empty() ? 0 : std::sqrt(sum / samples.size());
}

}  // namespace tone
