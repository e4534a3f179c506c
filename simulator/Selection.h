// Choosing the simulated exchange. It is the default provider on Linux; on Windows, where the
// line functions reach the system's TAPI by default, a host or a test selects it here, and the
// simulator's wave devices with it.
#pragma once

namespace sim {

void UseSimulatedExchange();

}  // namespace sim
