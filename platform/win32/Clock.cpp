#include "platform/win32/Clock.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace win32 {
namespace {

using RealClock = std::chrono::steady_clock;
using RealMilliseconds = std::chrono::duration<double, std::milli>;

// A real wait never lasts longer than this, so a change of scale takes effect promptly for
// threads already waiting.
constexpr RealMilliseconds kLongestRealSlice{250.0};

// Virtual time is a line through one anchor point with slope `scale`.
class VirtualClock {
 public:
  double Scale() {
    std::lock_guard<std::mutex> hold(lock_);
    return scale_;
  }

  void SetScale(double scale) {
    if (!(scale > 0)) throw std::invalid_argument("time scale must be positive");
    std::lock_guard<std::mutex> hold(lock_);
    auto now = RealClock::now();
    virtualAnchor_ = VirtualAt(now);
    realAnchor_ = now;
    scale_ = scale;
  }

  double Now() {
    std::lock_guard<std::mutex> hold(lock_);
    return VirtualAt(RealClock::now());
  }

  // The real time point at which virtualDeadline is reached, but no later than one slice away.
  RealClock::time_point NextWake(double virtualDeadline) {
    std::lock_guard<std::mutex> hold(lock_);
    auto now = RealClock::now();
    RealMilliseconds remaining{(virtualDeadline - VirtualAt(now)) / scale_};
    remaining = std::clamp(remaining, RealMilliseconds{0.0}, kLongestRealSlice);
    return now + std::chrono::duration_cast<RealClock::duration>(remaining);
  }

 private:
  double VirtualAt(RealClock::time_point real) const {
    return virtualAnchor_ + RealMilliseconds(real - realAnchor_).count() * scale_;
  }

  std::mutex lock_;
  double scale_ = 1.0;
  // Starts at the real monotonic reading, as a tick count counts from boot.
  RealClock::time_point realAnchor_ = RealClock::now();
  double virtualAnchor_ = RealMilliseconds(realAnchor_.time_since_epoch()).count();
};

VirtualClock &TheClock() {
  static VirtualClock *clock = new VirtualClock;
  return *clock;
}

}  // namespace

double TimeScale() {
  return TheClock().Scale();
}

void SetTimeScale(double scale) {
  TheClock().SetScale(scale);
}

double VirtualNow() {
  return TheClock().Now();
}

void SleepUntil(double virtualDeadline) {
  while (VirtualNow() < virtualDeadline) {
    std::this_thread::sleep_until(TheClock().NextWake(virtualDeadline));
  }
}

bool WaitUntil(std::condition_variable &condition, std::unique_lock<std::mutex> &lock,
               double virtualDeadline) {
  if (VirtualNow() >= virtualDeadline) return false;
  condition.wait_until(lock, TheClock().NextWake(virtualDeadline));
  return true;
}

}  // namespace win32
