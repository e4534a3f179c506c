// What one simulated line device is and can do: everything its capability records report and
// how it answers lineOpenA.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/tapi32/LineConstants.h"
#include "platform/tapi32/LineRecords.h"

namespace sim {

// The touch tones a line detects (LINEDIGITMODE_DTMF: a tone began, _DTMFEND: it ended) and
// generates (LINEDIGITMODE_DTMF).
struct DigitModes {
  DWORD monitor = 0;
  DWORD generate = 0;
};

// How long generated touch tones last: each tone and each gap after it (lineGenerateDigits'
// dwDuration, 0 for the default, held to the range), and the pause a ',' makes.
constexpr DWORD kDigitMinMs = 40;
constexpr DWORD kDigitDefaultMs = 100;
constexpr DWORD kDigitMaxMs = 1000;
constexpr DWORD kDigitPauseMs = 2000;

struct LineDevice {
  // The line name as the device capabilities carry it: missing (no name), or these bytes with
  // or without a terminating NUL counted in dwLineNameSize, in `stringFormat`.
  std::optional<std::string> name;
  bool nameCountsNul = true;
  DWORD stringFormat = STRINGFORMAT_ASCII;

  DWORD mediaModes = LINEMEDIAMODE_UNKNOWN | LINEMEDIAMODE_INTERACTIVEVOICE |
                     LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_DATAMODEM;
  DWORD bearerModes = LINEBEARERMODE_VOICE | LINEBEARERMODE_PASSTHROUGH;
  DWORD lineStates = LINEDEVSTATE_OTHER | LINEDEVSTATE_RINGING | LINEDEVSTATE_CONNECTED |
                     LINEDEVSTATE_DISCONNECTED | LINEDEVSTATE_INSERVICE |
                     LINEDEVSTATE_OUTOFSERVICE | LINEDEVSTATE_OPEN | LINEDEVSTATE_CLOSE |
                     LINEDEVSTATE_REINIT;
  DWORD addressModes = LINEADDRESSMODE_ADDRESSID;
  DWORD addressStates = LINEADDRESSSTATE_OTHER | LINEADDRESSSTATE_INUSEZERO |
                        LINEADDRESSSTATE_INUSEONE | LINEADDRESSSTATE_NUMCALLS;
  DWORD maxRate = 33600;
  DigitModes digitModes = {LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND, LINEDIGITMODE_DTMF};
  // Who provides the line, as the device capabilities name it.
  std::string providerInfo = "Corvax Simulated Exchange";
  DWORD permanentLineId = 0;
  // The line's own number, reported as address 0.
  std::string address;

  // The API versions the device's provider supports.
  DWORD apiLowVersion = 0x00010003;
  DWORD apiHighVersion = 0x00020000;

  // Device-specific bytes appended to each record, so that a record needs more than a caller's
  // first guess.
  DWORD devCapsExtraBytes = 0;
  DWORD addressCapsExtraBytes = 0;
  DWORD callInfoExtraBytes = 0;
  DWORD callStatusExtraBytes = 0;
  // A provider at fault: what it claims a call's information needs, whatever that holds (0: the
  // true size).
  DWORD callInfoClaimedSize = 0;

  // The line's wave devices, as lineGetIDA answers "wave/out" and "wave/in"; none when absent.
  std::optional<UINT> waveOutId;
  std::optional<UINT> waveInId;
  // The port name that follows the handle of "comm/datamodem".
  std::string commPortName;

  // How lineOpenA answers, given the privileges and media modes asked for, after the checks
  // every device makes; empty: the device refuses to own media modes it lacks.
  std::function<LONG(DWORD privileges, DWORD mediaModes)> openAnswer;

  // The device as the exchange creates it with id `deviceId`.
  static LineDevice Default(DWORD deviceId);
};

}  // namespace sim
