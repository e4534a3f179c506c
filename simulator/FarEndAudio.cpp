#include "simulator/FarEndAudio.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>

#include "Clock.h"
#include "WaveMapper.h"

namespace sim {
namespace {

// Reads a sound file of any layout libsndfile knows as 16-bit frames.
bool ReadSoundFile(const std::string &path, WAVEFORMATEX &format, std::vector<char> &bytes) {
  SF_INFO info{};
  SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return false;
  std::vector<int16_t> frames(static_cast<size_t>(info.frames) * info.channels);
  const sf_count_t read = sf_readf_short(file, frames.data(), info.frames);
  sf_close(file);
  if (read != info.frames || info.channels < 1 || info.channels > 0xFFFF) return false;
  format = WAVEFORMATEX{WAVE_FORMAT_PCM,
                        static_cast<WORD>(info.channels),
                        static_cast<DWORD>(info.samplerate),
                        0,
                        0,
                        16,
                        0};
  const auto *begin = reinterpret_cast<const char *>(frames.data());
  bytes.assign(begin, begin + frames.size() * sizeof(int16_t));
  return true;
}

constexpr double kSamplesPerMillisecond = winmm::kNativeRate / 1000.0;
constexpr double kBeepHz = 1000;

int64_t SampleAt(double milliseconds) {
  return std::llround(milliseconds * kSamplesPerMillisecond);
}

// The first sample not yet said.
int64_t NextSample() {
  return static_cast<int64_t>(std::ceil(win32::VirtualNow() * kSamplesPerMillisecond));
}

}  // namespace

std::vector<int16_t> ToneSound(double frequency, double seconds, int16_t amplitude) {
  std::vector<int16_t> samples(static_cast<size_t>(seconds * winmm::kNativeRate));
  for (size_t i = 0; i < samples.size(); ++i) {
    const double phase = 2 * std::numbers::pi * frequency * i / winmm::kNativeRate;
    samples[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
  }
  return samples;
}

std::vector<int16_t> BeepSound(DWORD milliseconds) {
  return ToneSound(kBeepHz, milliseconds / 1000.0);
}

void FarEndAudio::SetPacing(Pacing pacing) {
  std::lock_guard lock(mutex_);
  pacing_ = pacing;
}

double FarEndAudio::Send(UINT wave_in_id, std::span<const int16_t> samples) {
  int64_t at = 0;
  {
    std::lock_guard lock(mutex_);
    // Now as the line's readers see it: a sender that waited for the lock must not place its
    // sound where a reader has already taken the line's sound.
    at = NextSample();
    Line &line = lines_[wave_in_id];
    if (pacing_ == Pacing::Queued) {
      line.queued.insert(line.queued.end(), samples.begin(), samples.end());
    } else {
      at = std::max(at, SaidUntil(line));
      SayFrom(line, at, samples);
    }
  }
  changed_.notify_all();
  return static_cast<double>(at) / kSamplesPerMillisecond;
}

void FarEndAudio::SendAfterBeep(UINT wave_in_id, std::span<const int16_t> samples,
                                DWORD reactionMs) {
  {
    std::lock_guard lock(mutex_);
    if (pacing_ == Pacing::Live) {
      Line &line = lines_[wave_in_id];
      line.afterBeep.emplace(samples.begin(), samples.end());
      line.reactionMs = reactionMs;
      return;
    }
  }
  // Queued, it waits for the recording anyway.
  Send(wave_in_id, samples);
}

void FarEndAudio::SayFrom(Line &line, int64_t at, std::span<const int16_t> samples) {
  line.said.erase(line.said.lower_bound(at), line.said.end());
  if (!line.said.empty()) {
    auto &[start, last] = *line.said.rbegin();
    if (start + static_cast<int64_t>(last.size()) > at)
      last.resize(static_cast<size_t>(at - start));
  }
  if (!samples.empty()) line.said[at].assign(samples.begin(), samples.end());
}

int64_t FarEndAudio::SaidUntil(const Line &line) {
  if (line.said.empty()) return 0;
  const auto &[start, last] = *line.said.rbegin();
  return start + static_cast<int64_t>(last.size());
}

std::optional<std::vector<int16_t>> FileSound(const std::string &path) {
  WAVEFORMATEX format{};
  std::vector<char> bytes;
  if (!ReadSoundFile(path, format, bytes) || !winmm::IsConvertible(format)) return std::nullopt;
  winmm::FormatConverter converter(format);
  auto samples = converter.Convert(bytes);
  const auto rest = converter.Flush();
  samples.insert(samples.end(), rest.begin(), rest.end());
  return samples;
}

void FarEndAudio::SendTone(UINT wave_in_id, double frequency, double seconds, int16_t amplitude) {
  Send(wave_in_id, ToneSound(frequency, seconds, amplitude));
}

void FarEndAudio::SendSilence(UINT wave_in_id, double seconds) {
  Send(wave_in_id, std::vector<int16_t>(static_cast<size_t>(seconds * winmm::kNativeRate)));
}

size_t FarEndAudio::Pending(UINT wave_in_id) const {
  std::lock_guard lock(mutex_);
  const auto found = lines_.find(wave_in_id);
  if (found == lines_.end()) return 0;
  const Line &line = found->second;
  size_t pending = line.queued.size();
  const int64_t now = NextSample();
  for (const auto &[start, samples] : line.said) {
    const int64_t end = start + static_cast<int64_t>(samples.size());
    if (end > now) pending += static_cast<size_t>(end - std::max(start, now));
  }
  return pending;
}

std::optional<double> FarEndAudio::WaitUntilSaid(UINT wave_in_id) const {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  Lock lock(mutex_);
  for (;;) {
    const auto found = lines_.find(wave_in_id);
    if (found == lines_.end() || found->second.ended) return std::nullopt;
    const Line &line = found->second;
    if (line.afterBeep) {
      // Still listening for the beep.
      if (std::chrono::steady_clock::now() > giveUp) return std::nullopt;
      changed_.wait_for(lock, std::chrono::milliseconds(50));
      continue;
    }
    const double end = static_cast<double>(SaidUntil(line)) / kSamplesPerMillisecond;
    if (win32::VirtualNow() >= end) return end;
    win32::WaitUntil(changed_, lock, end);
  }
}

void FarEndAudio::CallStarts(UINT wave_in_id) {
  {
    std::lock_guard lock(mutex_);
    if (pacing_ == Pacing::Queued) return;
    lines_[wave_in_id] = Line{};
  }
  changed_.notify_all();
}

void FarEndAudio::CallEnds(UINT wave_in_id, double at) {
  {
    std::lock_guard lock(mutex_);
    if (pacing_ == Pacing::Queued) return;
    Line &line = lines_[wave_in_id];
    const int64_t end = SampleAt(at);
    line.ended = std::min(line.ended.value_or(end), end);
    line.afterBeep.reset();
  }
  changed_.notify_all();
}

void FarEndAudio::Beep(std::optional<UINT> wave_out_id, std::optional<UINT> wave_in_id,
                       DWORD milliseconds) {
  const auto beep = BeepSound(milliseconds);
  {
    std::lock_guard lock(mutex_);
    if (wave_out_id) {
      auto &played = played_[*wave_out_id];
      played.insert(played.end(), beep.begin(), beep.end());
    }
    if (wave_in_id) {
      Line &line = lines_[*wave_in_id];
      if (line.afterBeep) {
        const int64_t speech = NextSample() + SampleAt(milliseconds + line.reactionMs);
        SayFrom(line, speech, *line.afterBeep);
        line.afterBeep.reset();
      }
    }
  }
  changed_.notify_all();
}

std::vector<int16_t> FarEndAudio::Played(UINT wave_out_id) const {
  std::lock_guard lock(mutex_);
  const auto found = played_.find(wave_out_id);
  return found == played_.end() ? std::vector<int16_t>{} : found->second;
}

bool FarEndAudio::WaitPlayed(UINT wave_out_id, size_t count) const {
  Lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::minutes(1), [&] {
    const auto found = played_.find(wave_out_id);
    return found != played_.end() && found->second.size() >= count;
  });
}

bool FarEndAudio::WritePlayed(UINT wave_out_id, const std::string &path) const {
  const auto samples = Played(wave_out_id);
  SF_INFO info{};
  info.samplerate = winmm::kNativeRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  const auto written =
      sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  return sf_close(file) == 0 && written == static_cast<sf_count_t>(samples.size());
}

void FarEndAudio::Reset() {
  {
    std::lock_guard lock(mutex_);
    pacing_ = Pacing::Live;
    lines_.clear();
    played_.clear();
  }
  changed_.notify_all();
}

size_t FarEndAudio::Record(UINT wave_in_id, double from, std::span<int16_t> into) {
  std::lock_guard lock(mutex_);
  Line &line = lines_[wave_in_id];
  if (pacing_ == Pacing::Queued) {
    for (auto &sample : into) {
      sample = line.queued.empty() ? int16_t{0} : line.queued.front();
      if (!line.queued.empty()) line.queued.pop_front();
    }
    return into.size();
  }
  const int64_t first = SampleAt(from);
  const size_t carried = Fill(line, first, into);
  // Heard or not, what was said before this window is gone, unless the listener still has
  // to take it.
  const int64_t kept = std::min(first, line.listened.value_or(first));
  std::erase_if(line.said, [&](const auto &stretch) {
    return stretch.first + static_cast<int64_t>(stretch.second.size()) <= kept;
  });
  return carried;
}

size_t FarEndAudio::Fill(const Line &line, int64_t first, std::span<int16_t> into) {
  std::fill(into.begin(), into.end(), int16_t{0});
  const int64_t end = first + static_cast<int64_t>(into.size());
  const int64_t carried = std::min(end, line.ended.value_or(end));
  for (const auto &[start, samples] : line.said) {
    const int64_t from_sample = std::max(start, first);
    const int64_t to_sample = std::min(start + static_cast<int64_t>(samples.size()), carried);
    for (int64_t at = from_sample; at < to_sample; ++at) {
      into[static_cast<size_t>(at - first)] = samples[static_cast<size_t>(at - start)];
    }
  }
  return static_cast<size_t>(std::max<int64_t>(0, carried - first));
}

void FarEndAudio::StartListening(UINT wave_in_id) {
  std::lock_guard lock(mutex_);
  if (pacing_ == Pacing::Live) lines_[wave_in_id].listened = NextSample();
}

FarEndAudio::Stretch FarEndAudio::TakeHeard(UINT wave_in_id) {
  std::lock_guard lock(mutex_);
  Line &line = lines_[wave_in_id];
  if (!line.listened) return {};
  Stretch heard{*line.listened, {}};
  const int64_t now =
      std::min(NextSample(), line.ended.value_or(std::numeric_limits<int64_t>::max()));
  if (now <= heard.from) return heard;
  heard.samples.resize(static_cast<size_t>(now - heard.from));
  Fill(line, heard.from, heard.samples);
  line.listened = now;
  return heard;
}

void FarEndAudio::StopListening(UINT wave_in_id) {
  std::lock_guard lock(mutex_);
  const auto found = lines_.find(wave_in_id);
  if (found != lines_.end()) found->second.listened.reset();
}

void FarEndAudio::Play(UINT wave_out_id, std::span<const int16_t> samples) {
  {
    std::lock_guard lock(mutex_);
    auto &played = played_[wave_out_id];
    played.insert(played.end(), samples.begin(), samples.end());
  }
  changed_.notify_all();
}

FarEndAudio &Audio() {
  static FarEndAudio audio;
  return audio;
}

}  // namespace sim
