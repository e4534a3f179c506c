// Configures one line device of the exchange, one property a call.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "simulator/LineDevice.h"

namespace sim {

class Exchange;

/// @brief Configures one line device of the exchange, one property a call, from
/// Exchange::Line or Exchange::AddLine; each call returns the setup for the next:
/// @code
/// exchange.Line(0).Name("Office").MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE).NoWaveIn();
/// @endcode
/// A change applies to what applications read from then on (their next capability record,
/// their next lineOpenA).
class LineSetup {
 public:
  /// The setup of device @p deviceId of @p exchange.
  LineSetup(Exchange &exchange, DWORD deviceId);

  /// The device's id.
  DWORD Id() const { return deviceId_; }

  /// An ASCII name whose size counts the terminating NUL, as TAPI reports names.
  LineSetup &Name(std::string name);
  /// A name whose size does not count a terminating NUL (none is stored).
  LineSetup &NameWithoutNul(std::string name);
  /// No name at all (TkwTAPI::GetLineName gives "Line Unnamed").
  LineSetup &NoName();
  /// The STRINGFORMAT_ of the device's strings; the component reads only ASCII.
  LineSetup &StringFormat(DWORD format);
  /// The LINEMEDIAMODE_ bits the device supports.
  LineSetup &MediaModes(DWORD modes);
  /// The LINEBEARERMODE_ bits the device supports.
  LineSetup &BearerModes(DWORD modes);
  /// The LINEDEVSTATE_ bits the device reports (RINGING among them for OnCallRingEvent).
  LineSetup &LineStates(DWORD states);
  /// The LINEADDRESSMODE_ bits of the device.
  LineSetup &AddressModes(DWORD modes);
  /// The LINEADDRESSSTATE_ bits the device reports.
  LineSetup &AddressStates(DWORD states);
  /// The line's own number, reported as address 0.
  LineSetup &Address(std::string number);
  /// Who provides the line, as the device capabilities name it.
  LineSetup &ProviderInfo(std::string info);
  /// The highest data rate, in bits per second.
  LineSetup &MaxRate(DWORD bitsPerSecond);
  /// The touch tones the line detects and generates (LINEDIGITMODE_ bits); by default DTMF
  /// and DTMFEND detected, DTMF generated.
  LineSetup &Digits(DigitModes modes);
  /// A line without touch tones: lineMonitorDigits and lineGenerateDigits answer
  /// LINEERR_INVALDIGITMODE.
  LineSetup &NoDigits();
  /// The API versions the device's provider supports.
  LineSetup &ApiVersions(DWORD low, DWORD high);
  /// Bytes appended to the device-capabilities record, so that it needs more than a first
  /// guess; likewise for the address capabilities, the call information and the call status.
  LineSetup &DevCapsExtraBytes(DWORD bytes);
  /// See DevCapsExtraBytes.
  LineSetup &AddressCapsExtraBytes(DWORD bytes);
  /// See DevCapsExtraBytes.
  LineSetup &CallInfoExtraBytes(DWORD bytes);
  /// See DevCapsExtraBytes.
  LineSetup &CallStatusExtraBytes(DWORD bytes);
  /// A provider at fault: the size it claims a call's information needs (0: the true size).
  LineSetup &CallInfoClaimedSize(DWORD bytes);
  /// The line's wave output device, as lineGetIDA answers "wave/out" (the id the far end's
  /// FarEndAudio::Played takes).
  LineSetup &WaveOut(UINT waveId);
  /// No wave output device: playing into the line fails.
  LineSetup &NoWaveOut();
  /// The line's wave input device, as lineGetIDA answers "wave/in" (the id
  /// FarEndAudio::Send takes).
  LineSetup &WaveIn(UINT waveId);
  /// No wave input device: recording the line fails.
  LineSetup &NoWaveIn();
  /// The port name that follows the handle of "comm/datamodem".
  LineSetup &CommPortName(std::string name);
  /// lineOpenA's answer after the checks every device makes: 0 or a LINEERR_ code. It runs
  /// inside the exchange and must not call back into it. For example:
  /// @code
  /// [](DWORD, DWORD media) { return media & LINEMEDIAMODE_INTERACTIVEVOICE ?
  ///                                     LINEERR_INVALMEDIAMODE : 0; }
  /// @endcode
  LineSetup &OpenAnswer(std::function<LONG(DWORD privileges, DWORD mediaModes)> answer);

 private:
  LineSetup &Change(const std::function<void(LineDevice &)> &change);

  Exchange *exchange_;
  DWORD deviceId_;
};

}  // namespace sim
