// The device-level records the exchange hands out: capabilities of a line and of its address,
// and the device identifiers of lineGetIDA.
#pragma once

#include <string_view>

#include "simulator/LineDevice.h"

namespace sim {

// Each returns 0, or LINEERR_STRUCTURETOOSMALL for a block below the fixed size. `digits` are
// the touch tones the device has as its provider carries them.
LONG FillDevCaps(const LineDevice &device, DigitModes digits, LPLINEDEVCAPS caps);
LONG FillAddressCaps(const LineDevice &device, DWORD deviceId, DigitModes digits,
                     LPLINEADDRESSCAPS caps);
LONG FillDeviceId(std::string_view bytes, LPVARSTRING deviceId);

// What address 0 of every device reports, and what its calls can go through.
constexpr DWORD kCallStates = LINECALLSTATE_IDLE | LINECALLSTATE_OFFERING | LINECALLSTATE_DIALTONE |
                              LINECALLSTATE_DIALING | LINECALLSTATE_BUSY | LINECALLSTATE_CONNECTED |
                              LINECALLSTATE_PROCEEDING | LINECALLSTATE_DISCONNECTED;

// The call features a call of the device offers its owner once connected.
DWORD ConnectedCallFeatures(DigitModes digits);

}  // namespace sim
