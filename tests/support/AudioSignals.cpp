#include "tests/support/AudioSignals.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace audio_test {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// Lossy paths (G.711 alone correlates above 0.99) must still look like what was said.
constexpr double kSameShape = 0.9;

int16_t Sample(double value) {
  return static_cast<int16_t>(std::lround(std::clamp(value, -32767.0, 32767.0)));
}

// A sine whose frequency at each sample is `hz(i)`, its phase carried on without a jump.
template <typename Frequency>
Samples Chirp(size_t count, double amplitude, Frequency hz) {
  Samples samples(count);
  double phase = 0;
  for (size_t i = 0; i < count; ++i) {
    samples[i] = Sample(amplitude * std::sin(phase));
    phase = std::fmod(phase + kTwoPi * hz(i) / kRate, kTwoPi);
  }
  return samples;
}

std::string Describe(const char *what, std::optional<size_t> exactAt, const Alignment &best) {
  std::string text = std::string(what) + ": ";
  if (exactAt) return text + "found sample for sample at " + std::to_string(*exactAt);
  return text + "best match at " + std::to_string(best.offset) + " with correlation " +
         std::to_string(best.correlation);
}

// `part` in `heard` at an offset among [first, last].
::testing::AssertionResult FoundBetween(const char *what, Span heard, Span part, Path path,
                                        size_t first, size_t last) {
  if (heard.size() < part.size() || first > heard.size() - part.size()) {
    return ::testing::AssertionFailure()
           << what << ": heard only " << heard.size() << " samples, said " << part.size();
  }
  last = std::min(last, heard.size() - part.size());
  if (path == Path::Exact) {
    const auto at = Find(heard.subspan(first, last - first + part.size()), part);
    if (at) return ::testing::AssertionSuccess() << Describe(what, first + *at, {});
    return ::testing::AssertionFailure()
           << what << ": not found sample for sample within samples " << first << " to " << last
           << "; " << Describe("by shape", std::nullopt, Align(heard, part));
  }
  const Alignment best = Align(heard, part, first, last);
  if (best.correlation >= kSameShape) {
    return ::testing::AssertionSuccess() << Describe(what, std::nullopt, best);
  }
  return ::testing::AssertionFailure()
         << what << ": not found within samples " << first << " to " << last << "; "
         << Describe("anywhere", std::nullopt, Align(heard, part));
}

}  // namespace

Samples Tone(double hz, double seconds, double amplitude) {
  return Chirp(SamplesIn(seconds), amplitude, [hz](size_t) { return hz; });
}

Samples Sweep(double fromHz, double toHz, double seconds, double amplitude) {
  const size_t count = SamplesIn(seconds);
  return Chirp(count, amplitude, [=](size_t i) {
    return fromHz + (toHz - fromHz) * static_cast<double>(i) / static_cast<double>(count);
  });
}

Samples ToneSequence(const std::vector<double> &hz, double secondsEach, double amplitude) {
  const size_t each = SamplesIn(secondsEach);
  return Chirp(each * hz.size(), amplitude, [&](size_t i) { return hz[i / each]; });
}

Samples Concat(std::initializer_list<Span> parts) {
  Samples all;
  for (Span part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Samples ReadWave(const std::filesystem::path &path) {
  SF_INFO info{};
  SNDFILE *file = sf_open(path.string().c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  Samples samples;
  if (info.samplerate == kRate && info.channels == 1) {
    samples.resize(static_cast<size_t>(info.frames));
    samples.resize(static_cast<size_t>(sf_read_short(file, samples.data(), info.frames)));
  }
  sf_close(file);
  return samples;
}

bool WriteWave(const std::filesystem::path &path, Span samples, Encoding encoding) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | (encoding == Encoding::MuLaw ? SF_FORMAT_ULAW : SF_FORMAT_PCM_16);
  SNDFILE *file = sf_open(path.string().c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  const auto count = static_cast<sf_count_t>(samples.size());
  const bool written = sf_write_short(file, samples.data(), count) == count;
  return sf_close(file) == 0 && written;
}

double Rms(Span samples) {
  double sum = 0;
  for (const int16_t sample : samples) sum += static_cast<double>(sample) * sample;
  return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

double RmsDb(Span samples) {
  const double rms = Rms(samples);
  return rms == 0 ? -std::numeric_limits<double>::infinity() : 20 * std::log10(rms / 32768);
}

double Power(Span samples, double hz) {
  const double coefficient = 2 * std::cos(kTwoPi * hz / kRate);
  double previous = 0, before = 0;
  for (const int16_t sample : samples) {
    const double current = sample + coefficient * previous - before;
    before = previous;
    previous = current;
  }
  const double power = previous * previous + before * before - coefficient * previous * before;
  return samples.empty() ? 0 : power / static_cast<double>(samples.size());
}

bool Dominant(Span samples, double hz) {
  const double at = Power(samples, hz);
  return at > 100 * Power(samples, hz - 300) && at > 100 * Power(samples, hz + 300);
}

namespace {

// The mean square of the tone of `hz` in `samples`: a sine of amplitude A gives A * A / 2.
double ToneMeanSquare(Span samples, double hz) {
  return samples.empty() ? 0 : 2 * Power(samples, hz) / static_cast<double>(samples.size());
}

double Db(double powerRatio) {
  return 10 * std::log10(powerRatio);
}

}  // namespace

::testing::AssertionResult LevelWithin(Span heard, double sourceRms, double db) {
  const double rms = Rms(heard);
  if (rms == 0 || sourceRms <= 0)
    return ::testing::AssertionFailure() << "RMS " << rms << ", the source's " << sourceRms;
  const double off = 20 * std::log10(rms / sourceRms);
  if (std::abs(off) > db) {
    return ::testing::AssertionFailure()
           << "RMS " << rms << " is " << off << " dB from the source's " << sourceRms;
  }
  return ::testing::AssertionSuccess() << "RMS " << off << " dB from the source's";
}

::testing::AssertionResult PureTone(Span heard, double hz, double db) {
  const double whole = Rms(heard) * Rms(heard);
  if (whole == 0) return ::testing::AssertionFailure() << "digital silence";
  const double rest = std::max(whole - ToneMeanSquare(heard, hz), whole * 1e-12);
  if (Db(rest / whole) > -db) {
    return ::testing::AssertionFailure()
           << "all but " << hz << " Hz lies only " << -Db(rest / whole) << " dB below the whole";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult NoLeak(Span heard, double hz, double db) {
  const double whole = Rms(heard) * Rms(heard);
  if (whole == 0) return ::testing::AssertionSuccess() << "digital silence";
  const double leaked = std::max(ToneMeanSquare(heard, hz), whole * 1e-12);
  if (Db(leaked / whole) > -db) {
    return ::testing::AssertionFailure()
           << hz << " Hz lies only " << -Db(leaked / whole) << " dB below the whole";
  }
  return ::testing::AssertionSuccess();
}

double DominantFrequency(Span samples) {
  constexpr int kLoud = 1000;  // well above line noise and codec rounding
  size_t crossings = 0;
  size_t loud = 0;
  for (size_t i = 1; i < samples.size(); ++i) {
    if (std::abs(samples[i]) < kLoud && std::abs(samples[i - 1]) < kLoud) continue;
    ++loud;
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  }
  return loud == 0 ? 0 : static_cast<double>(crossings) / 2.0 * kRate / static_cast<double>(loud);
}

std::vector<double> FrequencyPer(Span samples, size_t window) {
  std::vector<double> frequencies;
  for (size_t at = 0; window > 0 && at + window <= samples.size(); at += window) {
    frequencies.push_back(DominantFrequency(samples.subspan(at, window)));
  }
  return frequencies;
}

std::vector<double> FrequencyPerTenth(Span samples) {
  return FrequencyPer(samples, kTenth);
}

std::optional<size_t> Find(Span whole, Span part) {
  const auto found = std::search(whole.begin(), whole.end(), part.begin(), part.end());
  if (found == whole.end() && !part.empty()) return std::nullopt;
  return static_cast<size_t>(found - whole.begin());
}

double Correlation(Span a, Span b) {
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    ab += static_cast<double>(a[i]) * b[i];
    aa += static_cast<double>(a[i]) * a[i];
    bb += static_cast<double>(b[i]) * b[i];
  }
  return aa == 0 || bb == 0 ? 0 : ab / std::sqrt(aa * bb);
}

Alignment Align(Span whole, Span part, size_t first, size_t last) {
  Alignment best;
  if (whole.size() < part.size()) return best;
  last = std::min(last, whole.size() - part.size());
  for (size_t offset = first; offset <= last; ++offset) {
    const double correlation = Correlation(whole.subspan(offset, part.size()), part);
    if (correlation > best.correlation) best = {offset, correlation};
  }
  return best;
}

::testing::AssertionResult BeginsWith(Span heard, Span said, Path path, size_t slack) {
  if (said.size() < kTenth) return ::testing::AssertionFailure() << "said less than 100 ms";
  return FoundBetween("the first 100 ms of what was said", heard, said.first(kTenth), path, 0,
                      slack);
}

::testing::AssertionResult EndsWith(Span heard, Span said, Path path, size_t slack) {
  if (said.size() < kTenth) return ::testing::AssertionFailure() << "said less than 100 ms";
  if (heard.size() < kTenth) return ::testing::AssertionFailure() << "heard less than 100 ms";
  const size_t latest = heard.size() - kTenth;
  return FoundBetween("the last 100 ms of what was said", heard, said.last(kTenth), path,
                      latest - std::min(latest, slack), latest);
}

::testing::AssertionResult StretchSaidBetween(Span heard, Span said, double saidAt, Between start,
                                              Between end) {
  // A device that records on after the line went quiet adds digital silence.
  size_t length = heard.size();
  while (length > 0 && heard[length - 1] == 0) --length;
  const Span stretch = heard.first(length);
  if (stretch.empty()) return ::testing::AssertionFailure() << "heard nothing";
  const auto at = Find(said, stretch);
  if (!at) {
    const auto head = Find(said, stretch.first(std::min(kTenth, length)));
    return ::testing::AssertionFailure()
           << "the " << length << " samples heard are not one stretch of what was said ("
           << (head ? "its first 100 ms are at " + std::to_string(*head) : "nor its first 100 ms")
           << ")";
  }
  // Silence that was said belongs to the stretch.
  while (length < heard.size() && *at + length < said.size() && said[*at + length] == 0) ++length;
  constexpr double kSampleMs = 1000.0 / kRate;
  // Each end falls between two samples; either may be the one a time rounds to.
  const auto outside = [&](double time, Between range) {
    return time < range.from - kSampleMs || time > range.to + kSampleMs;
  };
  const double first = saidAt + static_cast<double>(*at) * kSampleMs;
  const double last = saidAt + static_cast<double>(*at + length) * kSampleMs;
  if (outside(first, start)) {
    return ::testing::AssertionFailure() << "the stretch starts at " << first << " ms, not between "
                                         << start.from << " and " << start.to << " ms";
  }
  if (outside(last, end)) {
    return ::testing::AssertionFailure() << "the stretch ends at " << last << " ms, not between "
                                         << end.from << " and " << end.to << " ms";
  }
  return ::testing::AssertionSuccess() << "samples " << *at << " to " << *at + length << ", from "
                                       << first << " to " << last << " ms";
}

}  // namespace audio_test
