#include "WaveInDevice.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Clock.h"
#include "WaveHeaders.h"
#include "WaveMapper.h"

namespace winmm {
namespace {

constexpr double kSamplesPerMillisecond = kNativeRate / 1000.0;

// The sample sounding at `time`, so that buffers that follow each other meet exactly.
double OnSample(double time) {
  return std::floor(time * kSamplesPerMillisecond) / kSamplesPerMillisecond;
}

size_t SamplesOf(const WAVEHDR *header) {
  return header->dwBufferLength / 2;
}

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
  driver_.InputStarted(id_);
}

void WaveInDevice::Reset() {
  std::lock_guard lock(mutex_);
  // Everything the line carried up to now goes back, however late the device's thread or
  // the line's sound: each buffer whose time has passed whole, the next one in part.
  const double now = win32::VirtualNow();
  while (recording_ && !queue_.empty() && head_start_ >= 0 && now >= HeadEnd()) {
    recorded_until_ = HeadEnd();
    Fill(SamplesOf(queue_.front()), false);
    BeginHead();
  }
  if (recording_ && !queue_.empty() && head_start_ >= 0) {
    const double elapsed = std::max(0.0, now - head_start_);
    Fill(std::min(static_cast<size_t>(elapsed * kSamplesPerMillisecond), SamplesOf(queue_.front())),
         true);
  }
  while (!queue_.empty()) Fill(0, false);
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
    // A wake-up before the buffer's sound has all arrived (a new buffer, a reset, a stop)
    // looks again.
    const double delay = driver_.CaptureDelay(id_);
    if (!win32::WaitUntil(changed_, lock, HeadEnd() + delay) && recording_ && !queue_.empty() &&
        win32::VirtualNow() >= HeadEnd() + delay) {
      recorded_until_ = HeadEnd();
      // A full buffer keeps its length, as a sound card records on after a call ends.
      Fill(SamplesOf(queue_.front()), false);
      // With no buffer waiting the sound goes unrecorded; the next buffer starts afresh.
      if (queue_.empty()) recorded_until_ = -1;
      BeginHead();
    }
  }
}

void WaveInDevice::BeginHead() {
  if (!recording_ || queue_.empty() || head_start_ >= 0) return;
  head_start_ = recorded_until_ >= 0 ? recorded_until_ : OnSample(win32::VirtualNow());
}

double WaveInDevice::HeadEnd() {
  return head_start_ + SamplesOf(queue_.front()) / kSamplesPerMillisecond;
}

void WaveInDevice::Fill(size_t samples, bool trim) {
  WAVEHDR *header = queue_.front();
  queue_.pop_front();
  const double from = head_start_;
  head_start_ = -1;
  std::vector<int16_t> heard(samples);
  if (!heard.empty()) {
    const size_t carried = driver_.Capture(id_, from, heard);
    if (trim) heard.resize(std::min(carried, heard.size()));
  }
  std::copy_n(reinterpret_cast<const char *>(heard.data()), heard.size() * 2, header->lpData);
  header->dwBytesRecorded = static_cast<DWORD>(heard.size() * 2);
  ReturnHeader(header);
  callback_.Notify(MM_WIM_DATA, handle_, header);
}

}  // namespace winmm
