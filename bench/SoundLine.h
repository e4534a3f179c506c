// An answered call on line 0 of the simulated exchange, for the line-audio benchmarks.
#pragma once

#include <windows.h>
#include <tapi.h>

#include "simulator/Exchange.h"

class TAnsweredCall {
 public:
  TAnsweredCall() {
    sim::TheExchange().Reset(1);
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    DWORD devices = 0, version = 0x00020000;
    lineInitializeExA(&hLineApp, 0, nullptr, "bench", &devices, &version, &params);
    lineOpenA(hLineApp, 0, &hLine, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
              LINEMEDIAMODE_INTERACTIVEVOICE, nullptr);
    sim::TheExchange().OfferCall(0);
    LINEMESSAGE message{};
    while (lineGetMessage(hLineApp, &message, 0) == 0) {
      if (message.dwMessageID == LINE_CALLSTATE) hCall = message.hDevice;
    }
    lineAnswer(hCall, nullptr, 0);
  }
  ~TAnsweredCall() {
    lineClose(hLine);
    lineShutdown(hLineApp);
  }
  TAnsweredCall(const TAnsweredCall &) = delete;
  TAnsweredCall &operator=(const TAnsweredCall &) = delete;

  HLINEAPP hLineApp = 0;
  HLINE hLine = 0;
  HCALL hCall = 0;
};
