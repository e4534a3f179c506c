// The far end's side of the wave devices: what it sends into a wave-in device and what the
// line played into a wave-out device. Sound is in the devices' native format (8 kHz,
// 16-bit, mono); files and tones are converted to it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "wintypes.h"

namespace sim {

class FarEndAudio {
 public:
  // Queued after what was sent before; the input device records it at its real rate.
  void Send(UINT wave_in_id, std::span<const int16_t> samples);
  // False when the file cannot be read or its format cannot be converted.
  bool SendWaveFile(UINT wave_in_id, const std::string &path);
  void SendTone(UINT wave_in_id, double frequency, double seconds, int16_t amplitude = 8000);
  void SendSilence(UINT wave_in_id, double seconds);
  // Samples sent but not yet recorded.
  size_t Pending(UINT wave_in_id) const;

  std::vector<int16_t> Played(UINT wave_out_id) const;
  // Waits until at least `count` samples were played (false if that takes a real minute).
  bool WaitPlayed(UINT wave_out_id, size_t count) const;
  // Writes what was played as a WAV file; false when the file cannot be written.
  bool WritePlayed(UINT wave_out_id, const std::string &path) const;

  // Forgets everything sent and played.
  void Reset();

  // The device side.
  void Record(UINT wave_in_id, std::span<int16_t> into);
  void Play(UINT wave_out_id, std::span<const int16_t> samples);

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable played_more_;
  std::map<UINT, std::deque<int16_t>> sent_;
  std::map<UINT, std::vector<int16_t>> played_;
};

// The exchange's far end.
FarEndAudio &Audio();

}  // namespace sim
