#include "platform/win32/MemoryFaults.h"

#include <mutex>
#include <set>

namespace win32 {
namespace {

struct Plan {
  unsigned callsUntilFailure = 0;  // 0: no counted failure planned
  unsigned calls = 0;
  std::set<size_t> failingSizes;
};

class Faults {
 public:
  void FailNth(Allocator allocator, unsigned nth) {
    std::lock_guard<std::mutex> hold(lock_);
    PlanOf(allocator).callsUntilFailure = nth;
  }
  void FailSize(Allocator allocator, size_t bytes) {
    std::lock_guard<std::mutex> hold(lock_);
    PlanOf(allocator).failingSizes.insert(bytes);
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto &plan : plans_) plan = Plan{};
  }
  unsigned Calls(Allocator allocator) {
    std::lock_guard<std::mutex> hold(lock_);
    return PlanOf(allocator).calls;
  }
  bool ShouldFail(Allocator allocator, size_t bytes) {
    std::lock_guard<std::mutex> hold(lock_);
    Plan &plan = PlanOf(allocator);
    ++plan.calls;
    bool counted = plan.callsUntilFailure != 0 && --plan.callsUntilFailure == 0;
    return counted || plan.failingSizes.count(bytes) != 0;
  }

 private:
  Plan &PlanOf(Allocator allocator) { return plans_[static_cast<size_t>(allocator)]; }

  std::mutex lock_;
  Plan plans_[3];
};

Faults &TheFaults() {
  static Faults *faults = new Faults;
  return *faults;
}

}  // namespace

void FailNthAllocation(Allocator allocator, unsigned nth) {
  TheFaults().FailNth(allocator, nth);
}

void FailAllocationsOfSize(Allocator allocator, size_t bytes) {
  TheFaults().FailSize(allocator, bytes);
}

void ClearAllocationFaults() {
  TheFaults().Clear();
}

unsigned AllocationCalls(Allocator allocator) {
  return TheFaults().Calls(allocator);
}

namespace detail {
bool AllocationShouldFail(Allocator allocator, size_t bytes) {
  return TheFaults().ShouldFail(allocator, bytes);
}
}  // namespace detail

}  // namespace win32
