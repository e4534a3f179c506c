// The call records the exchange hands out: a call's information and its status, each as one
// application sees the call.
#pragma once

#include "simulator/Call.h"
#include "simulator/LineDevice.h"

namespace sim {

struct CallView {
  const Call &call;
  const LineDevice &device;
  HLINE line;
  DWORD privilege;
  DWORD numOwners;
  DWORD numMonitors;
  DigitModes digits;
  // The digit modes this application monitors the call in.
  DWORD monitoredDigits;
};

// Each returns 0, or LINEERR_STRUCTURETOOSMALL for a block below the fixed size.
LONG FillCallInfo(const CallView &view, LPLINECALLINFO info);
LONG FillCallStatus(const CallView &view, LPLINECALLSTATUS status);

}  // namespace sim
