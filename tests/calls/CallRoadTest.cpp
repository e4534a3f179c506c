// Whole calls as a host sees them: every event, its arguments and order, all on the main
// thread, and nothing held once the component is closed.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/winmm/HandleNumber.h"
#include "simulator/CommPort.h"
#include "tests/calls/CallsFixture.h"

namespace calls_test {
namespace {

using Lines = std::vector<std::string>;

// The expected events appear in this order, each exactly once (other events may lie between
// them).
void ExpectEachOnceInOrder(const Lines &events, const Lines &expected) {
  auto at = events.begin();
  for (const auto &event : expected) {
    EXPECT_EQ(std::count(events.begin(), events.end(), event), 1)
        << event << " in " << ::testing::PrintToString(events);
    at = std::find(at, events.end(), event);
    ASSERT_NE(at, events.end()) << "missing or out of order: " << event;
    ++at;
  }
}

bool Has(const Lines &events, const std::string &event) {
  return std::find(events.begin(), events.end(), event) != events.end();
}

class CallRoadTest : public CallsTest {
 protected:
  bool Saw(const std::string &event) const { return Has(host.events, event); }
  void PumpUntilSeen(const std::string &event) {
    PumpUntil([&] { return Saw(event); });
  }
};

TEST_F(CallRoadTest, IncomingCallAnsweredThenHungUpByTheCaller) {
  Open();
  const sim::CallId call = exchange.OfferCall(0);
  PumpUntilSeen("offering 1 4");
  exchange.Ring(0, 1);
  PumpUntilSeen("ring 1");
  exchange.SetCallerId(call, {"Alice", "5551234"});
  PumpUntilSeen("callerid Alice|5551234|0 call");
  DWORD hCall = host.hLastCall;
  AnsiString asError;
  EXPECT_GT(component->AnswerTheLine(hCall, &asError), 0);
  PumpUntilSeen("connected N/A|1|4|0|N/A| call");
  exchange.HangUp(call);
  PumpUntilSeen("disconnected call");
  EXPECT_TRUE(component->CloseDevice());
  ExpectEachOnceInOrder(host.events,
                        {"offering 1 4", "info 2 2 with info", "ring 1", "info 8 2 with info",
                         "callerid Alice|5551234|0 call", "info 1 32768 with info", "reply 0",
                         "connected N/A|1|4|0|N/A| call", "info 2 256 with info",
                         "info 2 16384 with info", "disconnected call", "info 2 1 with info"});
  EXPECT_TRUE(host.allOnMainThread);
  ExpectNothingLeft();
}

TEST_F(CallRoadTest, OutgoingDirectCallAnsweredThenHungUpByTheFarEnd) {
  Open();
  EXPECT_TRUE(component->MakeACall("Bob", "5550000", 0, false, 0, nullptr));
  PumpUntilSeen("reply 0");
  const sim::CallId call = exchange.LatestCall(0);
  ASSERT_NE(call, 0u);
  EXPECT_TRUE(exchange.Answer(call));
  PumpUntil([&] { return !host.events.empty() && host.events.back().rfind("info 2 256", 0) == 0; });
  exchange.HangUp(call);
  PumpUntil([&] { return exchange.CallHandleCount() == 0; });
  component.reset();
  ExpectEachOnceInOrder(host.events, {"reply 0", "info 2 256 with info", "info 2 16384 with info",
                                      "disconnected other", "info 2 1 with info"});
  EXPECT_TRUE(host.allOnMainThread);
  ExpectNothingLeft();
}

TEST_F(CallRoadTest, OutgoingCallToABusyPartyIsDroppedByTheHost) {
  Open();
  // The variable behind pdwSpare may be gone when the request completes: TAPI never writes
  // there, and the host learns the handle from the call's events.
  DWORD dwSpare = 0;
  EXPECT_TRUE(component->MakeACall("Bob", "5550000", 0, true, 0, &dwSpare));
  PumpUntilSeen("reply 0");
  const sim::CallId call = exchange.LatestCall(0);
  EXPECT_TRUE(exchange.Busy(call));
  PumpUntilSeen("info 2 64 with info");
  EXPECT_EQ(dwSpare, 0u);
  DWORD hCall = host.hStateCall;
  const LONG dropRequest = component->CloseCall(hCall);
  EXPECT_GT(dropRequest, 0);
  PumpUntil([&] { return exchange.CallHandleCount() == 0; });
  component.reset();
  // From the busy signal on: the drop's reply, the call's end once, and nothing else.
  const auto busy = std::find(host.events.begin(), host.events.end(), "info 2 64 with info");
  ASSERT_NE(busy, host.events.end());
  EXPECT_EQ(Lines(busy, host.events.end()),
            Lines({"info 2 64 with info", "reply 0",
                   "info 12 " + std::to_string(dropRequest) + " with info", "disconnected other",
                   "info 2 1 with info"}));
  EXPECT_TRUE(host.allOnMainThread);
  ExpectNothingLeft();
}

// Asking to block the caller ID places the call that no parameters would place, on a line of
// any media modes, and the parameters are TAPI 2.0's 176 bytes on every build.
TEST_F(CallRoadTest, BlockingTheCallerIdPlacesTheSameCall) {
  const struct {
    DWORD lineModes;
    DWORD expectedMode;  // 0: sent without parameters
  } cases[] = {
      {LINEMEDIAMODE_INTERACTIVEVOICE, LINEMEDIAMODE_INTERACTIVEVOICE},
      {LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE,
       LINEMEDIAMODE_INTERACTIVEVOICE},
      {LINEMEDIAMODE_AUTOMATEDVOICE, LINEMEDIAMODE_AUTOMATEDVOICE},
      {LINEMEDIAMODE_DATAMODEM, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.lineModes);
    exchange.Reset();
    exchange.Line(0).MediaModes(c.lineModes);
    component->MediaModes = static_cast<int>(c.lineModes);
    Open();
    sim::OperationJournal().Clear();
    for (const bool block : {false, true}) {
      EXPECT_TRUE(component->MakeACall("Bob", "5550000", 0, block, 0, nullptr));
      exchange.HangUp(exchange.LatestCall(0));
    }
    const auto made = sim::OperationJournal().Entries("lineMakeCallA");
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(made[0].call.Arg("dwMediaMode"), "") << "no parameters without blocking";
    EXPECT_EQ(made[1].call.Num("dwMediaMode"), c.expectedMode);
    if (c.expectedMode != 0) {
      EXPECT_EQ(made[1].call.Num("dwTotalSize"), 176);
      EXPECT_EQ(made[1].call.Num("dwCallParamFlags"),
                LINECALLPARAMFLAGS_IDLE | LINECALLPARAMFLAGS_BLOCKID);
    }
    component->CloseDevice();
  }
  DWORD hCall = 0;
  Open();
  component->CheckForDialtone(hCall);
  EXPECT_EQ(sim::OperationJournal().Entries("lineMakeCallA").back().call.Num("dwTotalSize"), 176);
}

TEST_F(CallRoadTest, AssistedCallGoesToTheRequestRecipient) {
  Open();
  component->AppTitle = "Dialer";
  EXPECT_TRUE(component->MakeACall("Bob", "5550000", 44, false, 1, nullptr));
  const auto requests = exchange.AssistedRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].destAddress, "5550000");
  EXPECT_EQ(requests[0].appName, "Dialer");
  EXPECT_EQ(requests[0].calledParty, "Bob");
  EXPECT_EQ(requests[0].comment, "Calling contact");
  exchange.SetRequestRecipient(false);
  EXPECT_FALSE(component->MakeACall("Bob", "5550000", 0, false, 1, nullptr));
  component.reset();
  ExpectNothingLeft();
}

TEST_F(CallRoadTest, CallOperationsReportFailuresWithTheirTexts) {
  CORVAX_REQUIRE_ALLOCATION_FAULTS();
  CORVAX_REQUIRE_COMM_PORT();
  Open();
  DWORD hBad = 0x7777;
  AnsiString asError;
  EXPECT_EQ(component->AnswerTheLine(hBad, &asError), LINEERR_INVALCALLHANDLE);
  EXPECT_EQ(asError, "Error: TkwTAPI::AnswerTheLine failed: LINEERR_INVALCALLHANDLE");
  EXPECT_EQ(component->CloseCall(hBad), LINEERR_INVALCALLHANDLE);
  EXPECT_FALSE(component->BlockCall(hBad));
  LINECALLSTATUS *pStatus = nullptr;
  EXPECT_EQ(component->kwGetCallStatus(hBad, &pStatus, &asError), LINEERR_INVALCALLHANDLE);
  EXPECT_EQ(pStatus, nullptr);
  EXPECT_EQ(asError, "Error: TkwTAPI::kwGetCallStatus failed: LINEERR_INVALCALLHANDLE");
  win32::FailNthAllocation(win32::Allocator::Heap, 1);
  EXPECT_EQ(component->kwGetCallStatus(hBad, &pStatus, &asError), LINEERR_NOMEM);
  EXPECT_EQ(asError, "Error: TkwTAPI::kwGetCallStatus failed, calloc #1 failed!");
  win32::FailNthAllocation(win32::Allocator::Local, 1);
  void *hPort = nullptr;
  DWORD hNone = 0;
  EXPECT_EQ(component->GetCOMMPORTID(hPort, hNone, nullptr), LINEERR_NOMEM);
  EXPECT_EQ(hPort, nullptr);
}

TEST_F(CallRoadTest, DialToneCheckAndCallStatusGrowAndCommPortCarriesData) {
  CORVAX_REQUIRE_COMM_PORT();
  exchange.Line(0).CallStatusExtraBytes(100);
  Open();
  DWORD hCall = 0;
  EXPECT_GT(component->CheckForDialtone(hCall), 0);
  PumpUntilSeen("reply 0");
  ASSERT_NE(hCall, 0u);
  const auto makeCall = sim::OperationJournal().Entries("lineMakeCallA");
  ASSERT_EQ(makeCall.size(), 1u);
  LINECALLSTATUS *pStatus = nullptr;
  EXPECT_EQ(component->kwGetCallStatus(hCall, &pStatus, nullptr), 0);
  ASSERT_NE(pStatus, nullptr);
  EXPECT_EQ(pStatus->dwTotalSize, pStatus->dwNeededSize);
  EXPECT_GT(pStatus->dwTotalSize, 56u);
  EXPECT_EQ(sim::OperationJournal().Count("lineGetCallStatus"), 2u);
  HeapFree(GetProcessHeap(), 0, pStatus);

  void *hPort = nullptr;
  EXPECT_EQ(component->GetCOMMPORTID(hPort, hCall, nullptr), 0);
  ASSERT_NE(hPort, nullptr);
  VARSTRING tooSmall = {};
  tooSmall.dwTotalSize = sizeof(tooSmall);
  void *hUnchanged = nullptr;
  EXPECT_EQ(component->GetCOMMPORTID(hUnchanged, hCall, &tooSmall), LINEERR_STRUCTURETOOSMALL);
  EXPECT_EQ(hUnchanged, nullptr);
  const HANDLE hComm = winmm::HandleFromParameter<HANDLE>(reinterpret_cast<uintptr_t>(hPort));
  DWORD dwMoved = 0;
  EXPECT_TRUE(WriteFile(hComm, "ATDT", 4, &dwMoved, nullptr));
  EXPECT_EQ(dwMoved, 4u);
  EXPECT_EQ(sim::TheFarEndData().TakeReceived(), "ATDT");
  sim::TheFarEndData().Send("CONNECT");
  char szAnswer[16] = {};
  EXPECT_TRUE(ReadFile(hComm, szAnswer, sizeof(szAnswer) - 1, &dwMoved, nullptr));
  EXPECT_STREQ(szAnswer, "CONNECT");
  // Nothing waiting: the read returns at once with nothing.
  EXPECT_TRUE(ReadFile(hComm, szAnswer, sizeof(szAnswer), &dwMoved, nullptr));
  EXPECT_EQ(dwMoved, 0u);
  EXPECT_TRUE(CloseHandle(hComm));
  EXPECT_FALSE(WriteFile(hComm, "x", 1, &dwMoved, nullptr));
  EXPECT_GT(component->CloseCall(hCall), 0);
  PumpUntil([&] { return exchange.CallHandleCount() == 0; });
  component.reset();
  ExpectNothingLeft();
}

}  // namespace
}  // namespace calls_test
