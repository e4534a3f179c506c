// Configures one line device of the exchange, one property a call:
//   exchange.Line(0).Name("Office").MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE).NoWaveIn();
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "simulator/LineDevice.h"

namespace sim {

class Exchange;

class LineSetup {
 public:
  LineSetup(Exchange &exchange, DWORD deviceId);

  DWORD Id() const { return deviceId_; }

  // An ASCII name whose size counts the terminating NUL, as TAPI reports names.
  LineSetup &Name(std::string name);
  // A name whose size does not count a terminating NUL (none is stored).
  LineSetup &NameWithoutNul(std::string name);
  LineSetup &NoName();
  LineSetup &StringFormat(DWORD format);
  LineSetup &MediaModes(DWORD modes);
  LineSetup &BearerModes(DWORD modes);
  LineSetup &LineStates(DWORD states);
  LineSetup &AddressModes(DWORD modes);
  LineSetup &AddressStates(DWORD states);
  LineSetup &Address(std::string number);
  LineSetup &ProviderInfo(std::string info);
  LineSetup &MaxRate(DWORD bitsPerSecond);
  // The touch tones the line detects and generates (LINEDIGITMODE_ bits); by default DTMF and
  // DTMFEND detected, DTMF generated. NoDigits: neither.
  LineSetup &Digits(DigitModes modes);
  LineSetup &NoDigits();
  LineSetup &ApiVersions(DWORD low, DWORD high);
  LineSetup &DevCapsExtraBytes(DWORD bytes);
  LineSetup &AddressCapsExtraBytes(DWORD bytes);
  LineSetup &CallInfoExtraBytes(DWORD bytes);
  LineSetup &CallStatusExtraBytes(DWORD bytes);
  LineSetup &CallInfoClaimedSize(DWORD bytes);
  LineSetup &WaveOut(UINT waveId);
  LineSetup &NoWaveOut();
  LineSetup &WaveIn(UINT waveId);
  LineSetup &NoWaveIn();
  LineSetup &CommPortName(std::string name);
  // lineOpenA's answer after the checks every device makes. It runs inside the exchange and
  // must not call back into it. For example:
  //   [](DWORD, DWORD media) { return media & LINEMEDIAMODE_INTERACTIVEVOICE ?
  //                                       LINEERR_INVALMEDIAMODE : 0; }
  LineSetup &OpenAnswer(std::function<LONG(DWORD privileges, DWORD mediaModes)> answer);

 private:
  LineSetup &Change(const std::function<void(LineDevice &)> &change);

  Exchange *exchange_;
  DWORD deviceId_;
};

}  // namespace sim
