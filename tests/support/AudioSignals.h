// Test signals that carry time, and checks that compare what was heard with what was said.
// Signals never repeat (sweeps, sequences of distinct tones), so a shifted, skipped, doubled or
// reordered stretch shows. Where a path keeps samples exactly (the simulator) they are compared
// sample by sample; where it changes them (G.711, RTP) by normalised cross-correlation or by
// frequency per stretch. All sound is the lines' native 8 kHz, 16-bit mono.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace audio_test {

constexpr int kRate = 8000;
constexpr size_t kTenth = kRate / 10;  // samples in 100 ms
constexpr double kBeepHz = 1000;       // the line's own beep: never a caller's signal

using Samples = std::vector<int16_t>;
using Span = std::span<const int16_t>;

inline size_t SamplesIn(double seconds) {
  return static_cast<size_t>(seconds * kRate + 0.5);
}

// --- Signals ---------------------------------------------------------------------------
Samples Tone(double hz, double seconds, double amplitude = 8000);
// A linear chirp from `fromHz` to `toHz`: no stretch of it repeats another.
Samples Sweep(double fromHz, double toHz, double seconds, double amplitude = 8000);
// Distinct steady tones one after the other, `secondsEach` each, with no phase jump between.
Samples ToneSequence(const std::vector<double> &hz, double secondsEach, double amplitude = 8000);
Samples Concat(std::initializer_list<Span> parts);

// A WAV file's samples when it is 8 kHz mono (any sample encoding libsndfile reads), else none.
Samples ReadWave(const std::filesystem::path &path);
// An 8 kHz mono WAV file of 16-bit samples, or of G.711 µ-law bytes; false when it cannot be
// written.
enum class Encoding { Pcm16, MuLaw };
bool WriteWave(const std::filesystem::path &path, Span samples,
               Encoding encoding = Encoding::Pcm16);

// --- Measures --------------------------------------------------------------------------
double Rms(Span samples);
// RMS relative to full scale, in dB; -inf for digital silence.
double RmsDb(Span samples);
// Power of one frequency (Goertzel), per sample.
double Power(Span samples, double hz);
// `hz` carries a hundred times the power of its neighbours 300 Hz away.
bool Dominant(Span samples, double hz);
// Level and purity, by the mean square of the samples and of the one frequency in them.
// `heard` has the level (RMS) of a source whose RMS is `sourceRms`, within `db` either way.
::testing::AssertionResult LevelWithin(Span heard, double sourceRms, double db = 1);
// All but `hz` lies at least `db` below the whole: a tone of `hz` and little else.
::testing::AssertionResult PureTone(Span heard, double hz, double db = 30);
// `hz` lies at least `db` below the whole: a tone played elsewhere did not leak in.
::testing::AssertionResult NoLeak(Span heard, double hz, double db = 30);
// The frequency of a tone by its zero crossings, counting only samples away from silence; 0
// when all is near silence.
double DominantFrequency(Span samples);
// The same for each whole stretch of `window` samples, in order.
std::vector<double> FrequencyPer(Span samples, size_t window);
std::vector<double> FrequencyPerTenth(Span samples);

// --- Where what was said is in what was heard -------------------------------------------
// The first offset at which `part` occurs in `whole` sample for sample.
std::optional<size_t> Find(Span whole, Span part);
// Normalised cross-correlation of two stretches of equal length: 1 for the same shape.
double Correlation(Span a, Span b);
struct Alignment {
  size_t offset = 0;
  double correlation = 0;
};
// The offset in `whole`, among [first, last], where `part` correlates best.
Alignment Align(Span whole, Span part, size_t first = 0, size_t last = SIZE_MAX);

// --- Checks ----------------------------------------------------------------------------
// How the path between the speaker and the recording treats samples.
enum class Path { Exact, Lossy };

// The first 100 ms of `said` start within `slack` samples of the start of `heard` (exactly at
// its start when 0): "the message begins with what was said just after the beep".
::testing::AssertionResult BeginsWith(Span heard, Span said, Path path, size_t slack = 0);
// The last 100 ms of `said` end within `slack` samples of the end of `heard`: "the message
// ends with what was said just before the hang-up".
::testing::AssertionResult EndsWith(Span heard, Span said, Path path, size_t slack = 0);

// A stretch of virtual time, in milliseconds of the platform clock.
struct Between {
  double from = 0;
  double to = 0;
};
// `heard` is one unbroken stretch of `said`, sample for sample (nothing skipped, doubled,
// reordered or from elsewhere), then nothing but digital silence (a device recording on after
// the line went quiet); `said` being said from the virtual time `saidAt` on, the stretch's
// first sample was said within `start` and its last within `end`: what a recording started
// and stopped (or hung up on) at those times keeps.
::testing::AssertionResult StretchSaidBetween(Span heard, Span said, double saidAt, Between start,
                                              Between end);

}  // namespace audio_test
