#include "simulator/FaultPlan.h"

#include <algorithm>

namespace sim {

void FaultPlan::FailNext(const std::string &operation, int64_t code) {
  FailNth(operation, 1, code);
}

void FaultPlan::FailNth(const std::string &operation, int n, int64_t code) {
  std::lock_guard lock(mutex_);
  rules_.push_back({nextId_++, operation, n - 1, nullptr, code});
}

void FaultPlan::FailWhen(const std::string &operation, Predicate match, int64_t code) {
  std::lock_guard lock(mutex_);
  rules_.push_back({nextId_++, operation, -1, std::move(match), code});
}

void FaultPlan::Clear() {
  std::lock_guard lock(mutex_);
  rules_.clear();
}

// Predicates run without the lock: a test may hold an operation in one (until another
// thread has done something) while every other operation of the exchange goes on.
std::optional<int64_t> FaultPlan::Check(const Invocation &call) {
  std::vector<std::pair<uint64_t, Predicate>> predicates;
  {
    std::lock_guard lock(mutex_);
    for (const Rule &rule : rules_) {
      if (rule.operation == call.operation && rule.match)
        predicates.emplace_back(rule.id, rule.match);
    }
  }
  std::vector<uint64_t> matched;
  for (const auto &[id, match] : predicates) {
    if (match(call)) matched.push_back(id);
  }
  std::lock_guard lock(mutex_);
  std::optional<int64_t> failure;
  for (auto rule = rules_.begin(); rule != rules_.end();) {
    if (rule->operation != call.operation) {
      ++rule;
      continue;
    }
    if (rule->match) {
      if (!failure && std::find(matched.begin(), matched.end(), rule->id) != matched.end())
        failure = rule->code;
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
