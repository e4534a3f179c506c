#include "simulator/InbandDigits.h"

#include <windows.h>

#include "Clock.h"
#include "dtmf/Detector.h"
#include "dtmf/Generator.h"
#include "simulator/FarEndAudio.h"
#include "simulator/LineDevice.h"

namespace sim {

namespace {

// How often the listener takes the calls' sound, in virtual milliseconds: a digit reaches the
// application within this much of its tone being confirmed.
constexpr double kTurnMs = 20;
constexpr int64_t kSamplesPerMs = 8;

}  // namespace

std::vector<int16_t> DigitSound(std::string_view digits, DWORD toneMs, DWORD gapMs) {
  return dtmf::DigitSound(digits, {toneMs, gapMs, kDigitPauseMs});
}

struct DigitListener::Listening {
  UINT waveIn = 0;
  dtmf::Detector detector;
};

DigitListener::DigitListener(Report report) : report_(std::move(report)) {}

DigitListener::~DigitListener() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DigitListener::Listen(CallId call, UINT waveIn) {
  {
    std::lock_guard lock(mutex_);
    auto &listening = calls_[call];
    if (listening && listening->waveIn == waveIn) return;
    listening = std::make_shared<Listening>();
    listening->waveIn = waveIn;
    Audio().StartListening(waveIn);
    // Started with the first call to listen to, so that a host that monitors none has no
    // thread for it.
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  changed_.notify_all();
}

void DigitListener::Stop(CallId call) {
  std::lock_guard lock(mutex_);
  const auto found = calls_.find(call);
  if (found == calls_.end()) return;
  Audio().StopListening(found->second->waveIn);
  calls_.erase(found);
}

void DigitListener::StopAll() {
  std::lock_guard lock(mutex_);
  for (const auto &[call, listening] : calls_) Audio().StopListening(listening->waveIn);
  calls_.clear();
}

void DigitListener::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (calls_.empty()) {
      changed_.wait(lock);
      continue;
    }
    win32::WaitUntil(changed_, lock, win32::VirtualNow() + kTurnMs);
    lock.unlock();
    Turn();
    lock.lock();
  }
}

void DigitListener::Turn() {
  std::map<CallId, std::shared_ptr<Listening>> calls;
  {
    std::lock_guard lock(mutex_);
    calls = calls_;
  }
  for (const auto &[call, listening] : calls) {
    const FarEndAudio::Stretch heard = Audio().TakeHeard(listening->waveIn);
    const uint64_t fedBefore = listening->detector.SamplesFed();
    for (const dtmf::DigitEdge &edge : listening->detector.Feed(heard.samples)) {
      const int64_t sample = heard.from + static_cast<int64_t>(edge.sample - fedBefore);
      const DWORD tick = static_cast<DWORD>(std::max<int64_t>(0, sample) / kSamplesPerMs);
      report_(call, edge.digit, edge.ended ? LINEDIGITMODE_DTMFEND : LINEDIGITMODE_DTMF, tick);
    }
  }
}

}  // namespace sim
