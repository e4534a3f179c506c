// A host that forgets Application->Initialize() still gets its events, on the thread that
// opened the line, and no error box.
#include <gtest/gtest.h>

#include <vcl.h>
#include <windows.h>

#include <chrono>

#include "component/Kwtapi.h"
#include "simulator/Exchange.h"
#include "tests/PumpMessages.h"
#include "tests/component/TestSupport.h"

namespace {

TEST(HostWithoutApplication, GetsTheLinesEventsOnTheThreadThatOpenedIt) {
  ASSERT_EQ(Application->Handle(), HWND{0}) << "this program must not set up the application";
  component_test::TNoticeCapture notices;
  sim::Exchange &exchange = sim::TheExchange();
  exchange.Reset(1);
  TEventHandlers handlers;
  TkwTAPI tapi(nullptr);
  HCALL hOffered = 0;
  DWORD dwEventThread = 0;
  std::string caller;
  handlers.Set(tapi.OnCallOfferingEvent, [&](HCALL hCall, int, int) {
    hOffered = hCall;
    dwEventThread = GetCurrentThreadId();
  });
  handlers.Set(tapi.OnCallerIDEvent, [&](AnsiString asName, AnsiString asNumber, int, HCALL) {
    caller = std::string(asName.c_str()) + " " + asNumber.c_str();
  });
  DWORD dwDevice = 0;
  ASSERT_TRUE(tapi.OpenDevice(dwDevice, false, false));
  const sim::CallId call = exchange.OfferCall(0);
  exchange.SetCallerId(call, {"Alice", "5550142"});

  EXPECT_TRUE(test_support::PumpMessagesWithin([&] { return !caller.empty(); },
                                               [] { return std::chrono::seconds(10); }))
      << "no caller ID event within 10 s";
  EXPECT_NE(hOffered, HCALL{0});
  EXPECT_EQ(dwEventThread, GetCurrentThreadId());
  EXPECT_EQ(caller, "Alice 5550142");
  tapi.CloseDevice();
  EXPECT_TRUE(notices.Notices().empty()) << notices.Notices()[0].text;
}

}  // namespace
