#include "WaveInDevice.h"

#include <algorithm>
#include <vector>

#include "Clock.h"
#include "WaveHeaders.h"
#include "WaveMapper.h"

namespace winmm {
namespace {

constexpr double kNativeBytesPerMillisecond = kNativeRate * 2 / 1000.0;

}  // namespace

WaveInDevice::WaveInDevice(WaveDriver &driver, UINT id, WaveCallback callback)
    : driver_(driver), id_(id), callback_(callback) {}

WaveInDevice::~WaveInDevice() {
  StopWorker();
}

void WaveInDevice::Close() {
  StopWorker();
  callback_.Notify(MM_WIM_CLOSE, handle_);
}

void WaveInDevice::StopWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void WaveInDevice::Start(DWORD handle) {
  handle_ = handle;
  worker_ = std::thread([this] { Run(); });
}

MMRESULT WaveInDevice::AddBuffer(WAVEHDR *header, UINT size) {
  {
    std::lock_guard lock(mutex_);
    if (const MMRESULT refused = QueueHeader(header, size)) return refused;
    header->dwBytesRecorded = 0;
    queue_.push_back(header);
    BeginHead();
  }
  changed_.notify_all();
  return MMSYSERR_NOERROR;
}

void WaveInDevice::Record() {
  {
    std::lock_guard lock(mutex_);
    recording_ = true;
    BeginHead();
  }
  changed_.notify_all();
}

void WaveInDevice::Reset() {
  std::lock_guard lock(mutex_);
  if (recording_ && !queue_.empty() && head_start_ >= 0) {
    const double elapsed = std::max(0.0, win32::VirtualNow() - head_start_);
    Fill(std::min<size_t>(static_cast<size_t>(elapsed * kNativeBytesPerMillisecond),
                          queue_.front()->dwBufferLength));
  }
  while (!queue_.empty()) Fill(0);
  recording_ = false;
  recorded_until_ = -1;
  changed_.notify_all();
}

bool WaveInDevice::Holding() {
  std::lock_guard lock(mutex_);
  return !queue_.empty();
}

void WaveInDevice::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!recording_ || queue_.empty()) {
      changed_.wait(lock);
      continue;
    }
    // A wake-up before the end (a new buffer, a reset, a stop) looks again.
    if (!win32::WaitUntil(changed_, lock, HeadEnd()) && recording_ && !queue_.empty() &&
        win32::VirtualNow() >= HeadEnd()) {
      recorded_until_ = HeadEnd();
      Fill(queue_.front()->dwBufferLength);
      // With no buffer waiting the sound goes unrecorded; the next buffer starts afresh.
      if (queue_.empty()) recorded_until_ = -1;
      BeginHead();
    }
  }
}

void WaveInDevice::BeginHead() {
  if (!recording_ || queue_.empty() || head_start_ >= 0) return;
  head_start_ = recorded_until_ >= 0 ? recorded_until_ : win32::VirtualNow();
}

double WaveInDevice::HeadEnd() {
  return head_start_ + queue_.front()->dwBufferLength / kNativeBytesPerMillisecond;
}

void WaveInDevice::Fill(size_t bytes) {
  WAVEHDR *header = queue_.front();
  queue_.pop_front();
  head_start_ = -1;
  std::vector<int16_t> samples(bytes / 2);
  driver_.Capture(id_, samples);
  std::copy_n(reinterpret_cast<const char *>(samples.data()), samples.size() * 2, header->lpData);
  header->dwBytesRecorded = static_cast<DWORD>(samples.size() * 2);
  ReturnHeader(header);
  callback_.Notify(MM_WIM_DATA, handle_, header);
}

}  // namespace winmm
