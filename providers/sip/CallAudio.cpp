#include "providers/sip/CallAudio.h"

#include <algorithm>
#include <cmath>

#include "Clock.h"
#include "simulator/FarEndAudio.h"

namespace sipnet {
namespace {

constexpr double kSamplesPerMillisecond = CallAudio::kRate / 1000.0;
// A stretch of sound starts going out once this much of it waits, or once it has waited this
// long: the wave-out device hands it over a few milliseconds at a time, and may run late.
constexpr size_t kSendCushion = CallAudio::kRate * 100 / 1000;
constexpr double kSendCushionMs = 100;
// Time for a buffer a wave-in device hands back to reach the application's window.
constexpr double kHandedBackMs = 100;

}  // namespace

int64_t CallAudio::SampleAt(double milliseconds) {
  return std::llround(milliseconds * kSamplesPerMillisecond);
}

int64_t CallAudio::SampleNow() {
  return SampleAt(win32::VirtualNow());
}

void CallAudio::Append(std::deque<int16_t> &queue, std::span<const int16_t> samples) {
  queue.insert(queue.end(), samples.begin(), samples.end());
  if (queue.size() > kMaxQueued) queue.erase(queue.begin(), queue.end() - kMaxQueued);
}

void CallAudio::Played(std::span<const int16_t> samples) {
  std::lock_guard<std::mutex> lock(mutex_);
  Send(samples);
}

void CallAudio::Send(std::span<const int16_t> samples) {
  // Sound played once the call is over goes nowhere, as on a line with nobody on it.
  if (end_ || samples.empty()) return;
  if (outgoing_.empty()) outgoingSince_ = win32::VirtualNow();
  Append(outgoing_, samples);
}

void CallAudio::Listening() {
  std::lock_guard<std::mutex> lock(mutex_);
  listeningSince_ = win32::VirtualNow();
}

void CallAudio::Beep(uint32_t milliseconds, double askedAt) {
  std::lock_guard<std::mutex> lock(mutex_);
  beep_ = AskedBeep{milliseconds, askedAt};
}

void CallAudio::SendBeepWhenDue() {
  if (!beep_ ||
      (listeningSince_ < beep_->askedAt && win32::VirtualNow() < beep_->askedAt + kBeepWaitMs)) {
    return;
  }
  const std::vector<int16_t> sound = sim::BeepSound(beep_->milliseconds);
  Send(std::span(sound).first(std::min(sound.size(), kMaxQueued)));
  beep_.reset();
}

std::vector<int16_t> CallAudio::NextToSend(size_t count) {
  std::vector<int16_t> frame(count, 0);
  std::lock_guard<std::mutex> lock(mutex_);
  SendBeepWhenDue();
  if (!sending_) {
    sending_ = outgoing_.size() >= kSendCushion ||
               (!outgoing_.empty() && win32::VirtualNow() - outgoingSince_ >= kSendCushionMs);
  }
  if (!sending_) return frame;
  const size_t ready = std::min(count, outgoing_.size());
  std::copy_n(outgoing_.begin(), ready, frame.begin());
  outgoing_.erase(outgoing_.begin(), outgoing_.begin() + static_cast<ptrdiff_t>(ready));
  sending_ = !outgoing_.empty();
  return frame;
}

size_t CallAudio::Capture(double from, std::span<int16_t> samples) {
  std::fill(samples.begin(), samples.end(), int16_t{0});
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t first = SampleAt(from);
  lastTaken_ = Taken{first, static_cast<int64_t>(samples.size()), win32::VirtualNow()};
  const int64_t heardUntil = heardFrom_ + static_cast<int64_t>(heard_.size());
  const int64_t carriedUntil = std::min(heardUntil, end_.value_or(heardUntil));
  for (int64_t at = std::max(first, heardFrom_);
       at < std::min(first + static_cast<int64_t>(samples.size()), carriedUntil); ++at) {
    samples[static_cast<size_t>(at - first)] = heard_[static_cast<size_t>(at - heardFrom_)];
  }
  return static_cast<size_t>(
      std::clamp<int64_t>(carriedUntil - first, 0, static_cast<int64_t>(samples.size())));
}

void CallAudio::Heard(int64_t at, std::span<const int16_t> samples) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (end_) return;
  const int64_t until = heardFrom_ + static_cast<int64_t>(heard_.size());
  // Far from what is kept (or before it), it starts afresh.
  if (heard_.empty() || at < heardFrom_ || at > until + static_cast<int64_t>(kHeardKept)) {
    heard_.clear();
    heardFrom_ = at;
  }
  heard_.resize(static_cast<size_t>(at - heardFrom_), 0);
  heard_.insert(heard_.end(), samples.begin(), samples.end());
  if (heard_.size() > kHeardKept) {
    const size_t dropped = heard_.size() - kHeardKept;
    heard_.erase(heard_.begin(), heard_.begin() + static_cast<ptrdiff_t>(dropped));
    heardFrom_ += static_cast<int64_t>(dropped);
  }
}

void CallAudio::End(int64_t at) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!end_) end_ = at;
  outgoing_.clear();
}

bool CallAudio::TakenBefore(int64_t at, double now) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!lastTaken_ || lastTaken_->count == 0) return true;
  const auto &[from, count, when] = *lastTaken_;
  const double since = now - when;
  // A device that has taken nothing for longer than a buffer, its wait and a second more has
  // stopped recording.
  if (since > static_cast<double>(count) / kSamplesPerMillisecond + kArrivalMs + 1000) return true;
  // The buffer handed back last must reach the application before the hang-up does: the first
  // buffer it sees after a stop is its last.
  return from + 2 * count > at && since >= kHandedBackMs;
}

int64_t CallAudio::HeardUntil() {
  std::lock_guard<std::mutex> lock(mutex_);
  return heardFrom_ + static_cast<int64_t>(heard_.size());
}

}  // namespace sipnet
