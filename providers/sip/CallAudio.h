// The sound of one call between the line's wave devices and the network, at the devices'
// native 8 kHz, 16-bit mono. The wave devices play into it and record from it on their own
// threads; the stack takes what is to be sent and gives what was received on its thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

namespace sipnet {

class CallAudio {
 public:
  static constexpr size_t kRate = 8000;
  // At most this much waits in either direction; older sound gives way to newer.
  static constexpr size_t kMaxQueued = 2 * kRate;

  // Wave-device side.
  void Played(std::span<const int16_t> samples);
  void Capture(std::span<int16_t> samples);  // silence where nothing has arrived

  // Network side.
  // A 1 kHz tone; 0 ms: the provider's default length.
  void Beep(uint32_t milliseconds);
  std::vector<int16_t> NextToSend(size_t count);  // silence where nothing waits
  void Received(std::span<const int16_t> samples);

 private:
  static void Append(std::deque<int16_t> &queue, std::span<const int16_t> samples);

  std::mutex mutex_;
  std::deque<int16_t> outgoing_;
  std::deque<int16_t> incoming_;
};

}  // namespace sipnet
