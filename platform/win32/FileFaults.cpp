#include "platform/win32/FileFaults.h"

#include <mutex>

namespace win32 {
namespace {

struct WritePlan {
  std::mutex lock;
  unsigned writesUntilFailure = 0;  // 0: no failure planned
  unsigned writes = 0;
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

void ClearFileWriteFaults() {
  std::lock_guard<std::mutex> hold(ThePlan().lock);
  ThePlan().writesUntilFailure = 0;
  ThePlan().writes = 0;
}

unsigned FileWriteCalls() {
  std::lock_guard<std::mutex> hold(ThePlan().lock);
  return ThePlan().writes;
}

namespace detail {
bool WriteShouldFail() {
  WritePlan &plan = ThePlan();
  std::lock_guard<std::mutex> hold(plan.lock);
  ++plan.writes;
  return plan.writesUntilFailure != 0 && --plan.writesUntilFailure == 0;
}
}  // namespace detail

}  // namespace win32
