#include "simulator/FarEndAudio.h"

#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <numbers>

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

}  // namespace

void FarEndAudio::Send(UINT wave_in_id, std::span<const int16_t> samples) {
  std::lock_guard lock(mutex_);
  auto &queue = sent_[wave_in_id];
  queue.insert(queue.end(), samples.begin(), samples.end());
}

bool FarEndAudio::SendWaveFile(UINT wave_in_id, const std::string &path) {
  WAVEFORMATEX format{};
  std::vector<char> bytes;
  if (!ReadSoundFile(path, format, bytes) || !winmm::IsConvertible(format)) return false;
  winmm::FormatConverter converter(format);
  auto samples = converter.Convert(bytes);
  const auto rest = converter.Flush();
  samples.insert(samples.end(), rest.begin(), rest.end());
  Send(wave_in_id, samples);
  return true;
}

void FarEndAudio::SendTone(UINT wave_in_id, double frequency, double seconds, int16_t amplitude) {
  std::vector<int16_t> samples(static_cast<size_t>(seconds * winmm::kNativeRate));
  for (size_t i = 0; i < samples.size(); ++i) {
    const double phase = 2 * std::numbers::pi * frequency * i / winmm::kNativeRate;
    samples[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
  }
  Send(wave_in_id, samples);
}

void FarEndAudio::SendSilence(UINT wave_in_id, double seconds) {
  Send(wave_in_id, std::vector<int16_t>(static_cast<size_t>(seconds * winmm::kNativeRate)));
}

size_t FarEndAudio::Pending(UINT wave_in_id) const {
  std::lock_guard lock(mutex_);
  const auto found = sent_.find(wave_in_id);
  return found == sent_.end() ? 0 : found->second.size();
}

std::vector<int16_t> FarEndAudio::Played(UINT wave_out_id) const {
  std::lock_guard lock(mutex_);
  const auto found = played_.find(wave_out_id);
  return found == played_.end() ? std::vector<int16_t>{} : found->second;
}

bool FarEndAudio::WaitPlayed(UINT wave_out_id, size_t count) const {
  std::unique_lock lock(mutex_);
  return played_more_.wait_for(lock, std::chrono::minutes(1), [&] {
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
  std::lock_guard lock(mutex_);
  sent_.clear();
  played_.clear();
}

void FarEndAudio::Record(UINT wave_in_id, std::span<int16_t> into) {
  std::lock_guard lock(mutex_);
  auto &queue = sent_[wave_in_id];
  for (auto &sample : into) {
    if (queue.empty()) {
      sample = 0;
    } else {
      sample = queue.front();
      queue.pop_front();
    }
  }
}

void FarEndAudio::Play(UINT wave_out_id, std::span<const int16_t> samples) {
  {
    std::lock_guard lock(mutex_);
    auto &played = played_[wave_out_id];
    played.insert(played.end(), samples.begin(), samples.end());
  }
  played_more_.notify_all();
}

FarEndAudio &Audio() {
  static FarEndAudio audio;
  return audio;
}

}  // namespace sim
