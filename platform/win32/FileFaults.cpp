#include "platform/win32/FileFaults.h"

#include <algorithm>
#include <mutex>
#include <optional>

namespace win32 {
namespace {

struct WritePlan {
  std::mutex lock;
  unsigned writesUntilFailure = 0;  // 0: no failure planned
  unsigned writes = 0;
  std::optional<unsigned long long> freeBytes;  // empty: the disk never fills
};

// Never destroyed: files may still be written while the process ends.
WritePlan &ThePlan() {
  static WritePlan *plan = new WritePlan;
  return *plan;
}

}  // namespace

void FailNthFileWrite(unsigned nth) {
  std::lock_guard<std::mutex> hold(ThePlan().lock);
  ThePlan().writesUntilFailure = nth;
}

void FillDiskAfter(unsigned long long bytes) {
  std::lock_guard<std::mutex> hold(ThePlan().lock);
  ThePlan().freeBytes = bytes;
}

void ClearFileWriteFaults() {
  std::lock_guard<std::mutex> hold(ThePlan().lock);
  ThePlan().writesUntilFailure = 0;
  ThePlan().writes = 0;
  ThePlan().freeBytes.reset();
}

unsigned FileWriteCalls() {
  std::lock_guard<std::mutex> hold(ThePlan().lock);
  return ThePlan().writes;
}

namespace detail {
WriteDecision DecideWrite(DWORD bytes) {
  WritePlan &plan = ThePlan();
  std::lock_guard<std::mutex> hold(plan.lock);
  ++plan.writes;
  if (plan.writesUntilFailure != 0 && --plan.writesUntilFailure == 0) return {bytes / 2, true};
  if (!plan.freeBytes) return {bytes, false};
  const DWORD fits = static_cast<DWORD>(std::min<unsigned long long>(bytes, *plan.freeBytes));
  *plan.freeBytes -= fits;
  return {fits, fits < bytes};
}
}  // namespace detail

}  // namespace win32
