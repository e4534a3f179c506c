// Test signals for touch tones, made here rather than by the library under test: dual tones at
// levels in dBm0 with twist, silence, and the power of a stretch of sound at one frequency.
//
// The level reference is G.711 mu-law's: a full-scale sine (peak 32767 in 16-bit linear) is
// +3.17 dBm0, so a tone at L dBm0 has the peak 32767 * 10^((L - 3.17) / 20).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace dtmf_test {

constexpr double kRate = 8000;
constexpr double kFullScaleDbm0 = 3.17;
constexpr double kRows[] = {697, 770, 852, 941};
constexpr double kColumns[] = {1209, 1336, 1477, 1633};
constexpr char kKeys[] = "123A456B789C*0#D";

inline double PeakOf(double dbm0) {
  return 32767.0 * std::pow(10.0, (dbm0 - kFullScaleDbm0) / 20.0);
}

inline double RowOf(char digit) {
  const std::string keys = kKeys;
  return kRows[keys.find(digit) / 4];
}

inline double ColumnOf(char digit) {
  const std::string keys = kKeys;
  return kColumns[keys.find(digit) % 4];
}

inline void AppendSilence(std::vector<int16_t> &sound, double ms) {
  sound.resize(sound.size() + static_cast<size_t>(ms * kRate / 1000));
}

inline void AppendTones(std::vector<int16_t> &sound, double ms, double lowHz, double lowDbm0,
                        double highHz = 0, double highDbm0 = -100) {
  const auto count = static_cast<size_t>(ms * kRate / 1000);
  for (size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / kRate;
    double value = PeakOf(lowDbm0) * std::sin(2 * std::numbers::pi * lowHz * t);
    if (highHz > 0) value += PeakOf(highDbm0) * std::sin(2 * std::numbers::pi * highHz * t);
    sound.push_back(static_cast<int16_t>(std::lround(value)));
  }
}

// A digit's dual tone; `twistDb` > 0 makes the row (low) tone the louder, < 0 the column tone.
inline void AppendDigit(std::vector<int16_t> &sound, char digit, double ms, double dbm0,
                        double twistDb = 0) {
  const double low = twistDb > 0 ? dbm0 : dbm0 + twistDb;
  const double high = twistDb > 0 ? dbm0 - twistDb : dbm0;
  AppendTones(sound, ms, RowOf(digit), low, ColumnOf(digit), high);
}

// The level in dBm0 of the sine at `hz` in the sound: one bin of a discrete Fourier transform
// through a Hann window, which keeps the neighbouring touch-tone frequencies out of it.
inline double LevelAt(std::span<const int16_t> sound, double hz) {
  double re = 0;
  double im = 0;
  const double n = static_cast<double>(sound.size());
  for (size_t i = 0; i < sound.size(); ++i) {
    const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / kRate;
    const double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / n);
    re += window * sound[i] * std::cos(phase);
    im += window * sound[i] * std::sin(phase);
  }
  // The window passes half of a sine's amplitude.
  const double amplitude = 4 * std::hypot(re, im) / n;
  return amplitude > 0 ? 20 * std::log10(amplitude / 32767.0) + kFullScaleDbm0 : -200;
}

// Runs a shell command; the test fails with it when it does.
inline void RunCommand(const std::string &command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

}  // namespace dtmf_test
