// Makes chosen operations of the simulated exchange fail with a chosen code: the next call,
// the nth call from now, or every call that matches a predicate.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "simulator/Invocation.h"

namespace sim {

class FaultPlan {
 public:
  using Predicate = std::function<bool(const Invocation &)>;

  void FailNext(const std::string &operation, int64_t code);
  // n = 1 is the next call of the operation, n = 2 the one after it, and so on.
  void FailNth(const std::string &operation, int n, int64_t code);
  // Every call of the operation for which `match` holds fails, until Clear(). The predicate
  // runs on the operation's thread, outside the plan's lock: it may wait for other threads.
  void FailWhen(const std::string &operation, Predicate match, int64_t code);
  void Clear();

  // Called by each simulated operation before it acts: the code to fail with, if any.
  std::optional<int64_t> Check(const Invocation &call);

 private:
  struct Rule {
    uint64_t id;
    std::string operation;
    int remaining;  // calls of the operation to let through first; -1 for a predicate rule
    Predicate match;
    int64_t code;
  };

  std::mutex mutex_;
  std::vector<Rule> rules_;
  uint64_t nextId_ = 0;
};

}  // namespace sim
