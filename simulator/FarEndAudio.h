// The far end's side of the wave devices: what it says into a wave-in device and what the line
// played into a wave-out device. Sound is in the devices' native format (8 kHz, 16-bit, mono);
// files and tones are converted to it.
//
// Live (the default), what the far end says is placed on the line's timeline, paced by the
// platform clock: a wave-in device hears what was said while it was started, and what nobody
// heard as it was said is lost, as on a real line. Queued, what it says waits until a wave-in
// device records it, however late: for tests of the devices alone.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wintypes.h"

namespace sim {

/// The line's beep as the far end hears it: 1 kHz at a quarter of full scale.
std::vector<int16_t> BeepSound(DWORD milliseconds);
/// A sine of @p frequency Hz for @p seconds in the native format.
std::vector<int16_t> ToneSound(double frequency, double seconds, int16_t amplitude = 8000);
/// A sound file's samples in the native format; none when the file cannot be read or its
/// format cannot be converted.
std::optional<std::vector<int16_t>> FileSound(const std::string &path);

/// @brief What the far end of the simulated exchange says into a line and hears from it.
///
/// The wave devices of a line (Exchange::WaveInId, Exchange::WaveOutId) carry the call's
/// sound: what is sent here reaches the line's wave input device (recorded by
/// TkwTAPI::RecordASound), and what the line plays (TkwTAPI::PlayASound) is kept here.
/// Sound is 8 kHz, 16-bit, mono samples; files and tones are converted to it. Thread-safe.
class FarEndAudio {
 public:
  /// Live: said in time, heard only by a started wave-in device. Queued: waits for a reader.
  enum class Pacing { Live, Queued };
  /// How long a person takes to speak once a beep has ended.
  static constexpr DWORD kReactionMs = 1200;

  /// How what is sent from now on is paced; Reset() goes back to Live.
  void SetPacing(Pacing pacing);

  /// Said from now on, after what the far end is still saying (Live), or queued after what
  /// was sent before (Queued). @return the virtual time its first sample is said at (Live).
  double Send(UINT wave_in_id, std::span<const int16_t> samples);
  /// Says the sound of a WAV file. @return false when the file cannot be read or its
  /// format cannot be converted.
  bool SendWaveFile(UINT wave_in_id, const std::string &path);
  /// Says a sine of @p frequency Hz for @p seconds.
  void SendTone(UINT wave_in_id, double frequency, double seconds, int16_t amplitude = 8000);
  /// Says @p seconds of digital silence.
  void SendSilence(UINT wave_in_id, double seconds);
  /// Live: said @p reactionMs after the end of the next beep the far end hears, in place of
  /// whatever it was saying from then on.
  void SendAfterBeep(UINT wave_in_id, std::span<const int16_t> samples,
                     DWORD reactionMs = kReactionMs);
  /// Samples sent but not yet recorded (Queued) or not yet said (Live).
  size_t Pending(UINT wave_in_id) const;

  /// Live: waits until the far end has said all it was given (after the beep it waits for,
  /// if any). @return the virtual time of its last word's end; none when the line's call
  /// ended first or a real minute passed.
  std::optional<double> WaitUntilSaid(UINT wave_in_id) const;

  /// Live: the line's call starts; nothing said before it is heard.
  void CallStarts(UINT wave_in_id);
  /// Live: the line's call ends at the virtual time @p at; the line carries nothing from
  /// then on (an earlier end stands).
  void CallEnds(UINT wave_in_id, double at);

  /// A stretch of the line's sound: its samples from sample @p from on (sample n sounds at
  /// n / 8 virtual milliseconds).
  struct Stretch {
    int64_t from = 0;              ///< the first sample's number
    std::vector<int16_t> samples;  ///< what sounded, from then on
  };
  /// Live: a listener (the exchange's touch-tone receiver) hears the line's sound from now on;
  /// what it has not taken yet stays on the line for it, whatever a wave-in device reads.
  void StartListening(UINT wave_in_id);
  /// Live: the line's sound since the listener last took it, up to now or the call's end.
  Stretch TakeHeard(UINT wave_in_id);
  /// Live: the listener hears the line no more.
  void StopListening(UINT wave_in_id);

  /// The line beeps into the call for @p milliseconds: the far end hears it on the wave-out
  /// device's side and, if it waits for it, speaks after it on the wave-in device's side.
  void Beep(std::optional<UINT> wave_out_id, std::optional<UINT> wave_in_id, DWORD milliseconds);

  /// Everything the line played into the device so far.
  std::vector<int16_t> Played(UINT wave_out_id) const;
  /// Waits until at least @p count samples were played. @return false if that takes a real
  /// minute.
  bool WaitPlayed(UINT wave_out_id, size_t count) const;
  /// Writes what was played as a WAV file. @return false when the file cannot be written.
  bool WritePlayed(UINT wave_out_id, const std::string &path) const;

  /// Forgets everything sent and played.
  void Reset();

  /// The device side: the wave input device takes the line's sound from virtual time
  /// @p from on (see winmm::WaveDriver::Capture). @return the samples taken.
  size_t Record(UINT wave_in_id, double from, std::span<int16_t> into);
  /// The device side: the wave output device hands over what it played.
  void Play(UINT wave_out_id, std::span<const int16_t> samples);

 private:
  // Live sound is placed by sample: sample n of the platform clock sounds at n / 8 ms.
  struct Line {
    std::deque<int16_t> queued;
    std::map<int64_t, std::vector<int16_t>> said;  // stretches by their first sample
    std::optional<int64_t> ended;
    std::optional<std::vector<int16_t>> afterBeep;
    DWORD reactionMs = 0;
    // The first sample the listener has not taken; none: nobody listens.
    std::optional<int64_t> listened;
  };
  using Lock = std::unique_lock<std::mutex>;

  // Live: `samples` said from sample `at` on, in place of what was to be said from then on.
  void SayFrom(Line &line, int64_t at, std::span<const int16_t> samples);
  static int64_t SaidUntil(const Line &line);
  // Fills `into` with the line's sound from sample `first` on; returns how many of its
  // samples the line carried (none after the call's end).
  static size_t Fill(const Line &line, int64_t first, std::span<int16_t> into);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Pacing pacing_ = Pacing::Live;
  std::map<UINT, Line> lines_;
  std::map<UINT, std::vector<int16_t>> played_;
};

/// The exchange's far end.
FarEndAudio &Audio();

}  // namespace sim
