// The one path every simulated operation takes: an injected failure replaces the operation,
// and the journal records the call with its result either way.
#pragma once

#include <cstdint>
#include <functional>

#include "simulator/FaultPlan.h"
#include "simulator/Invocation.h"
#include "simulator/Journal.h"

namespace sim {

// The process-wide fault plan and journal of the simulated exchange.
FaultPlan &Faults();
Journal &OperationJournal();

int64_t Perform(const Invocation &call, const std::function<int64_t()> &act);

}  // namespace sim
