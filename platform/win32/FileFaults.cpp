#include "platform/win32/FileFaults.h"

#include <mutex>

namespace win32 {
namespace {

struct WritePlan {
  std::mutex lock;
  unsigned writesUntilFailure = 0;  // 0: no failure planned
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
  FailNthFileWrite(0);
}

namespace detail {
bool WriteShouldFail() {
  WritePlan &plan = ThePlan();
  std::lock_guard<std::mutex> hold(plan.lock);
  return plan.writesUntilFailure != 0 && --plan.writesUntilFailure == 0;
}
}  // namespace detail

}  // namespace win32
