// A simulated line with its wave devices, on a clock ten times as fast, for tests of what
// sounds on its calls.
#pragma once

#include "Clock.h"
#include "simulator/FarEndAudio.h"
#include "tests/tapi32/LineFixture.h"

namespace tapi_test {

class CallSoundFixture : public LineFixture {
 protected:
  void SetUp() override {
    LineFixture::SetUp();
    sim::Audio().Reset();
    exchange.Line(0).WaveOut(0).WaveIn(0);
    win32::SetTimeScale(10);
  }
  void TearDown() override {
    win32::SetTimeScale(1);
    sim::Audio().Reset();
    LineFixture::TearDown();
  }

  // An answered call on line 0; its handle for the application.
  HCALL AnsweredCall(const LineApp &app) {
    Open(app);
    call_ = exchange.OfferCall(0);
    HCALL handle = 0;
    for (const LINEMESSAGE &message : Drain(app))
      if (message.dwMessageID == LINE_CALLSTATE) handle = static_cast<HCALL>(message.hDevice);
    EXPECT_GT(lineAnswer(handle, nullptr, 0), 0);
    EXPECT_EQ(exchange.CallState(call_), static_cast<DWORD>(LINECALLSTATE_CONNECTED));
    return handle;
  }

  sim::CallId call_ = 0;
};

}  // namespace tapi_test
