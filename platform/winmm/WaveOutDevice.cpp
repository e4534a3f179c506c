#include "WaveOutDevice.h"

#include <algorithm>

#include "Clock.h"
#include "WaveHeaders.h"

namespace winmm {

WaveOutDevice::WaveOutDevice(WaveDriver &driver, UINT id, const WAVEFORMATEX &format,
                             WaveCallback callback)
    : driver_(driver), id_(id), format_(format), callback_(callback), converter_(format) {}

WaveOutDevice::~WaveOutDevice() {
  StopWorker();
}

void WaveOutDevice::Close() {
  StopWorker();
  callback_.Notify(MM_WOM_CLOSE, handle_);
}

void WaveOutDevice::StopWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void WaveOutDevice::Start(DWORD handle) {
  handle_ = handle;
  worker_ = std::thread([this] { Run(); });
}

MMRESULT WaveOutDevice::Write(WAVEHDR *header, UINT size) {
  {
    std::lock_guard lock(mutex_);
    if (const MMRESULT refused = QueueHeader(header, size)) return refused;
    queue_.push_back(header);
    BeginHead();
  }
  changed_.notify_all();
  return MMSYSERR_NOERROR;
}

void WaveOutDevice::Reset() {
  std::lock_guard lock(mutex_);
  // The head buffer was cut off: what of it had sounded was played.
  if (!queue_.empty() && head_start_ >= 0) Finish(SoundedBytes());
  while (!queue_.empty()) Finish(0);
  Pause();
  changed_.notify_all();
}

bool WaveOutDevice::Playing() {
  std::lock_guard lock(mutex_);
  return !queue_.empty();
}

void WaveOutDevice::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (queue_.empty()) {
      changed_.wait(lock);
      continue;
    }
    // Woken by a new buffer, a reset or a stop, or to hand over the next stretch: never more
    // often than each real millisecond, however fast the clock runs.
    const double stretch = std::max(kPlayedStretchMs, win32::TimeScale());
    const double next = std::min(HeadEnd(), win32::VirtualNow() + stretch);
    win32::WaitUntil(changed_, lock, next);
    if (queue_.empty()) continue;
    if (win32::VirtualNow() < HeadEnd()) {
      HandOver(SoundedBytes());
    } else {
      played_until_ = HeadEnd();
      Finish(queue_.front()->dwBufferLength);
      if (queue_.empty()) Pause();
      BeginHead();
    }
  }
}

void WaveOutDevice::BeginHead() {
  if (queue_.empty() || head_start_ >= 0) return;
  head_start_ = played_until_ >= 0 ? played_until_ : win32::VirtualNow();
}

double WaveOutDevice::HeadEnd() {
  const double length = queue_.front()->dwBufferLength;
  return head_start_ + length * 1000 / BytesPerSecond(format_);
}

void WaveOutDevice::Pause() {
  played_until_ = -1;
  // The sound stops here, so the rate converter gives up what it holds back.
  driver_.Played(id_, converter_.Flush());
}

size_t WaveOutDevice::SoundedBytes() {
  const double elapsed = std::max(0.0, win32::VirtualNow() - head_start_);
  const auto bytes = static_cast<size_t>(elapsed * BytesPerSecond(format_) / 1000);
  const size_t whole = bytes - bytes % std::max<WORD>(format_.nBlockAlign, 1);
  return std::min<size_t>(whole, queue_.front()->dwBufferLength);
}

void WaveOutDevice::HandOver(size_t up_to_bytes) {
  if (up_to_bytes <= head_handed_) return;
  const WAVEHDR *header = queue_.front();
  driver_.Played(id_,
                 converter_.Convert({header->lpData + head_handed_, up_to_bytes - head_handed_}));
  head_handed_ = up_to_bytes;
}

void WaveOutDevice::Finish(size_t played_bytes) {
  HandOver(played_bytes);
  WAVEHDR *header = queue_.front();
  queue_.pop_front();
  head_start_ = -1;
  head_handed_ = 0;
  ReturnHeader(header);
  callback_.Notify(MM_WOM_DONE, handle_, header);
}

}  // namespace winmm
