// The sound of one call between the line's wave devices and the network, at the devices'
// native 8 kHz, 16-bit mono. The wave devices play into it and record from it on their own
// threads; the stack takes what is to be sent and gives what was heard on its thread.
//
// What was heard is kept with its time, sample n of the platform clock sounding at n / 8 ms,
// so that a wave-in device hears the stretch its buffer covers and nothing from before its
// start. What is to be sent waits in a queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace sipnet {

class CallAudio {
 public:
  static constexpr size_t kRate = 8000;
  // At most this much waits to be sent; older sound gives way to newer.
  static constexpr size_t kMaxQueued = 2 * kRate;
  // At most this much of what was heard is kept for wave-in devices to take.
  static constexpr size_t kHeardKept = 30 * kRate;
  // How long after it was said the caller's sound has surely reached the wave-in device: the
  // playout waits 300 ms for packets, and hands over on ticks that may run late.
  static constexpr double kArrivalMs = 420;

  // The sample of the platform clock that sounds at `milliseconds`, and the one sounding now.
  static int64_t SampleAt(double milliseconds);
  static int64_t SampleNow();

  // Wave-device side.
  void Played(std::span<const int16_t> samples);
  // A wave-in device has started to hear the call.
  void Listening();
  // See winmm::WaveDriver::Capture.
  size_t Capture(double from, std::span<int16_t> samples);

  // Network side.
  // The line's beep of `milliseconds`, asked for at `askedAt` (platform clock ms): it goes out
  // after what is already waiting once a wave-in device has started to hear the call (as a
  // recorder does right after it beeps), so that all the caller says after it is recorded; or
  // kBeepWaitMs after it was asked for when none starts.
  void Beep(uint32_t milliseconds, double askedAt);
  static constexpr double kBeepWaitMs = 250;
  // The next `count` samples to send; silence where nothing waits. A stretch of sound starts
  // once a little of it waits, so that sound handed over bit by bit goes out without gaps.
  std::vector<int16_t> NextToSend(size_t count);
  // What the caller said from sample `at` on; what was heard before stays as it was.
  void Heard(int64_t at, std::span<const int16_t> samples);
  // The call's sound ends at sample `at`: nothing is heard or sent from then on.
  void End(int64_t at);
  // The sample up to which the caller's sound has been heard.
  int64_t HeardUntil();
  // Whether, at `now` (platform clock ms), a wave-in device recording the call has handed back
  // every buffer before the one that holds sample `at` (buffers as long as its last one) a
  // moment ago, or none is recording: a reset then keeps the sound up to `at` in the buffer the
  // application takes.
  bool TakenBefore(int64_t at, double now);

 private:
  static void Append(std::deque<int16_t> &queue, std::span<const int16_t> samples);
  // Puts `samples` in line to be sent; the mutex is held.
  void Send(std::span<const int16_t> samples);

  std::mutex mutex_;
  struct AskedBeep {
    uint32_t milliseconds = 0;
    double askedAt = 0;
  };
  // Puts an asked-for beep in line to be sent once its moment has come.
  void SendBeepWhenDue();

  std::optional<AskedBeep> beep_;
  double listeningSince_ = -1;
  std::deque<int16_t> outgoing_;
  double outgoingSince_ = 0;  // when the oldest sound waiting to be sent was handed over
  bool sending_ = false;      // within a stretch of sound
  std::deque<int16_t> heard_;
  int64_t heardFrom_ = 0;  // the sample of heard_.front()
  std::optional<int64_t> end_;
  struct Taken {
    int64_t from = 0;
    int64_t count = 0;
    double when = 0;
  };
  std::optional<Taken> lastTaken_;
};

}  // namespace sipnet
