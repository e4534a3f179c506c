// Choosing the simulated exchange. It is the default provider on Linux; on Windows, where the
// line functions reach the system's TAPI by default, a host or a test selects it here, and the
// simulator's wave devices with it.
#pragma once

namespace sim {

/// Makes the simulated exchange (TheExchange) the provider of the line functions and its wave
/// devices the wave driver, replacing any other provider (the system's TAPI on Windows, SIP
/// lines). Call it before the first line function; on Linux it is already the default.
void UseSimulatedExchange();

}  // namespace sim
