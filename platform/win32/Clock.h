// The platform clock. Sleep, timed waits and GetTickCount run on virtual milliseconds that
// advance TimeScale() times faster than real ones, so recordings and playbacks can run at many
// times real speed. Wall-clock time (log stamps) is not affected.
#pragma once

#include <condition_variable>
#include <mutex>

namespace win32 {

double TimeScale();
// scale must be positive; virtual time stays continuous across a change.
void SetTimeScale(double scale);

// Virtual milliseconds on a monotonic clock.
double VirtualNow();

// Blocks the calling thread until VirtualNow() reaches virtualDeadline; devices use it to pace
// themselves against a running virtual time line.
void SleepUntil(double virtualDeadline);

// Waits on condition until notified or virtualDeadline passes; returns false once the deadline
// has passed. Spurious wake-ups return true, as with std::condition_variable.
bool WaitUntil(std::condition_variable &condition, std::unique_lock<std::mutex> &lock,
               double virtualDeadline);

}  // namespace win32
