#include "simulator/Operation.h"

namespace sim {

FaultPlan &Faults() {
  static FaultPlan plan;
  return plan;
}

Journal &OperationJournal() {
  static Journal journal;
  return journal;
}

int64_t Perform(const Invocation &call, const std::function<int64_t()> &act) {
  const auto injected = Faults().Check(call);
  const int64_t result = injected ? *injected : act();
  OperationJournal().Record(call, result);
  return result;
}

}  // namespace sim
