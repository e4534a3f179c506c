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

/// @brief What the far end of the simulated exchange says into a line and hears from it.
///
/// The wave devices of a line (Exchange::WaveInId, Exchange::WaveOutId) carry the call's
/// sound: what is sent here reaches the line's wave input device (recorded by
/// TkwTAPI::RecordASound), and what the line plays (TkwTAPI::PlayASound) is kept here.
/// Sound is 8 kHz, 16-bit, mono samples; files and tones are converted to it. Thread-safe.
class FarEndAudio {
 public:
  /// Queues @p samples after what was sent before; the input device records them at its real
  /// rate (scaled by the platform clock), and silence once nothing is left.
  void Send(UINT wave_in_id, std::span<const int16_t> samples);
  /// Queues the sound of a WAV file. @return false when the file cannot be read or its
  /// format cannot be converted.
  bool SendWaveFile(UINT wave_in_id, const std::string &path);
  /// Queues a sine of @p frequency Hz for @p seconds.
  void SendTone(UINT wave_in_id, double frequency, double seconds, int16_t amplitude = 8000);
  /// Queues @p seconds of digital silence.
  void SendSilence(UINT wave_in_id, double seconds);
  /// Samples sent but not yet recorded.
  size_t Pending(UINT wave_in_id) const;

  /// Everything the line played into the device so far.
  std::vector<int16_t> Played(UINT wave_out_id) const;
  /// Waits until at least @p count samples were played. @return false if that takes a real
  /// minute.
  bool WaitPlayed(UINT wave_out_id, size_t count) const;
  /// Writes what was played as a WAV file. @return false when the file cannot be written.
  bool WritePlayed(UINT wave_out_id, const std::string &path) const;

  /// Forgets everything sent and played.
  void Reset();

  /// The device side: the wave input device takes the next samples (silence when none).
  void Record(UINT wave_in_id, std::span<int16_t> into);
  /// The device side: the wave output device hands over what it played.
  void Play(UINT wave_out_id, std::span<const int16_t> samples);

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable played_more_;
  std::map<UINT, std::deque<int16_t>> sent_;
  std::map<UINT, std::vector<int16_t>> played_;
};

/// The exchange's far end.
FarEndAudio &Audio();

}  // namespace sim
