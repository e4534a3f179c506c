#include "providers/sip/CallAudio.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sipnet {
namespace {

constexpr double kBeepHz = 1000.0;
constexpr double kBeepAmplitude = 8000.0;
// TAPI leaves the length of a beep asked for with no duration to the provider.
constexpr uint32_t kDefaultBeepMs = 300;

}  // namespace

void CallAudio::Append(std::deque<int16_t> &queue, std::span<const int16_t> samples) {
  queue.insert(queue.end(), samples.begin(), samples.end());
  if (queue.size() > kMaxQueued) queue.erase(queue.begin(), queue.end() - kMaxQueued);
}

void CallAudio::Played(std::span<const int16_t> samples) {
  std::lock_guard<std::mutex> lock(mutex_);
  Append(outgoing_, samples);
}

void CallAudio::Capture(std::span<int16_t> samples) {
  std::lock_guard<std::mutex> lock(mutex_);
  const size_t ready = std::min(samples.size(), incoming_.size());
  std::copy_n(incoming_.begin(), ready, samples.begin());
  incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<ptrdiff_t>(ready));
  std::fill(samples.begin() + static_cast<ptrdiff_t>(ready), samples.end(), int16_t{0});
}

void CallAudio::Beep(uint32_t milliseconds) {
  if (milliseconds == 0) milliseconds = kDefaultBeepMs;
  std::vector<int16_t> tone(std::min<size_t>(kMaxQueued, kRate * milliseconds / 1000));
  for (size_t i = 0; i < tone.size(); ++i) {
    const double phase = 2.0 * std::numbers::pi * kBeepHz * static_cast<double>(i) / kRate;
    tone[i] = static_cast<int16_t>(std::lround(kBeepAmplitude * std::sin(phase)));
  }
  std::lock_guard<std::mutex> lock(mutex_);
  Append(outgoing_, tone);
}

std::vector<int16_t> CallAudio::NextToSend(size_t count) {
  std::vector<int16_t> frame(count, 0);
  std::lock_guard<std::mutex> lock(mutex_);
  const size_t ready = std::min(count, outgoing_.size());
  std::copy_n(outgoing_.begin(), ready, frame.begin());
  outgoing_.erase(outgoing_.begin(), outgoing_.begin() + static_cast<ptrdiff_t>(ready));
  return frame;
}

void CallAudio::Received(std::span<const int16_t> samples) {
  std::lock_guard<std::mutex> lock(mutex_);
  Append(incoming_, samples);
}

}  // namespace sipnet
