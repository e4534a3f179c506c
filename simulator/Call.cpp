#include "simulator/Call.h"

#include <chrono>
#include <ctime>

namespace sim {

DWORD PartyId::Flags() const {
  if (flags != 0) return flags;
  DWORD derived = 0;
  if (!name.empty()) derived |= LINECALLPARTYID_NAME;
  if (!number.empty()) derived |= LINECALLPARTYID_ADDRESS;
  return derived != 0 ? derived : LINECALLPARTYID_UNKNOWN;
}

void Call::EnterState(DWORD newState, DWORD mode) {
  state = newState;
  stateMode = mode;
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  stateEntryTime = {static_cast<WORD>(utc.tm_year + 1900), static_cast<WORD>(utc.tm_mon + 1),
                    static_cast<WORD>(utc.tm_wday),        static_cast<WORD>(utc.tm_mday),
                    static_cast<WORD>(utc.tm_hour),        static_cast<WORD>(utc.tm_min),
                    static_cast<WORD>(utc.tm_sec),         static_cast<WORD>(millis)};
}

bool Call::CarriesTones() const {
  return state != LINECALLSTATE_IDLE && state != LINECALLSTATE_OFFERING &&
         state != LINECALLSTATE_ACCEPTED;
}

}  // namespace sim
