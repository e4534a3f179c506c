// A call on the simulated exchange, and the identification of its parties.
#pragma once

#include <string>

#include "platform/tapi32/LineConstants.h"
#include "platform/tapi32/LineRecords.h"

namespace sim {

/// The exchange's own number for a call; each application sees it through its own HCALL.
using CallId = DWORD;

/// The identification of a call's party: `{"Alice", "5551234"}`.
struct PartyId {
  std::string name = {};    ///< the name; empty: none
  std::string number = {};  ///< the number; empty: none
  /// LINECALLPARTYID_ flags. 0 derives them: NAME and ADDRESS for what is given, else UNKNOWN.
  DWORD flags = 0;
  /// Whether the sizes in LINECALLINFO count a terminating NUL, as TAPI's strings do.
  bool countsNul = true;

  /// The flags the call information carries.
  DWORD Flags() const;
};

/// What the far end offers with a new incoming call (Exchange::OfferCall).
struct IncomingCall {
  PartyId caller = {};  ///< the caller's identification, in the call information from the start
  PartyId called = {};  ///< the called party's identification, likewise
  DWORD mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;  ///< the call's LINEMEDIAMODE_
  std::string appName = {};                          ///< the application name it carries
  std::string calledParty = {};                      ///< the called-party name it carries
  std::string comment = {};                          ///< the comment it carries
};

/// Whether a call in @p state carries no sound any more.
inline bool CallOver(DWORD state) {
  return state == LINECALLSTATE_DISCONNECTED || state == LINECALLSTATE_IDLE;
}

// The exchange's record of a call; hosts see it through Exchange's observation methods.
struct Call {
  CallId id = 0;
  DWORD deviceId = 0;
  DWORD state = LINECALLSTATE_IDLE;
  DWORD stateMode = 0;
  DWORD origin = LINECALLORIGIN_INBOUND;
  DWORD mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
  DWORD bearerMode = LINEBEARERMODE_VOICE;
  DWORD rate = 0;
  DWORD callParamFlags = 0;
  DWORD countryCode = 0;
  PartyId caller = {};
  PartyId called = {};
  std::string appName = {};
  std::string calledParty = {};
  std::string comment = {};
  SYSTEMTIME stateEntryTime = {};
  // The handle whose lineGenerateDigits is being played into the call; 0: none.
  HCALL generatingDigits = 0;

  // Moves to `newState` now (UTC wall time, as LINECALLSTATUS reports it).
  void EnterState(DWORD newState, DWORD mode);
  // Whether tones can be generated into it: it has begun and not yet ended.
  bool CarriesTones() const;
};

}  // namespace sim
