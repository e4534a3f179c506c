#include "simulator/FaultPlan.h"

namespace sim {

void FaultPlan::FailNext(const std::string &operation, int64_t code) {
  FailNth(operation, 1, code);
}

void FaultPlan::FailNth(const std::string &operation, int n, int64_t code) {
  std::lock_guard lock(mutex_);
  rules_.push_back({operation, n - 1, nullptr, code});
}

void FaultPlan::FailWhen(const std::string &operation, Predicate match, int64_t code) {
  std::lock_guard lock(mutex_);
  rules_.push_back({operation, -1, std::move(match), code});
}

void FaultPlan::Clear() {
  std::lock_guard lock(mutex_);
  rules_.clear();
}

std::optional<int64_t> FaultPlan::Check(const Invocation &call) {
  // Predicates run under the lock; they must not call back into the exchange.
  std::lock_guard lock(mutex_);
  std::optional<int64_t> failure;
  for (auto rule = rules_.begin(); rule != rules_.end();) {
    if (rule->operation != call.operation) {
      ++rule;
      continue;
    }
    if (rule->match) {
      if (!failure && rule->match(call)) failure = rule->code;
      ++rule;
    } else if (rule->remaining == 0 && !failure) {
      failure = rule->code;
      rule = rules_.erase(rule);
    } else if (rule->remaining == 0) {
      ++rule;  // due as well: it fails the next call instead
    } else {
      --rule->remaining;
      ++rule;
    }
  }
  return failure;
}

}  // namespace sim
