#include <algorithm>
#include <string>

#include "tests/calls/CallsFixture.h"

namespace calls_test {
namespace {

using Lines = std::vector<std::string>;

class DispatchTest : public CallsTest {
 protected:
  void OfferAndWait() {
    call = exchange.OfferCall(0);
    PumpUntil(
        [&] { return std::count(host.events.begin(), host.events.end(), "info 2 2 with info"); });
  }
  size_t CallInfoReads() const { return sim::OperationJournal().Count("lineGetCallInfoA"); }
  sim::CallId call = 0;
};

TEST_F(DispatchTest, CallStateReadGrowsOnceForVariableData) {
  exchange.Line(0).CallInfoExtraBytes(2000);
  Open();
  OfferAndWait();
  // Only the fixed part is announced for a call state, so the variable data costs a second read.
  EXPECT_EQ(CallInfoReads(), 2u);
  const auto reads = sim::OperationJournal().Entries("lineGetCallInfoA");
  EXPECT_EQ(reads[0].result, 0);
}

TEST_F(DispatchTest, CallerIdReadIsLoggedAndLongNamesAreCut) {
  Open();
  OfferAndWait();
  const std::string longName(400, 'x');
  exchange.SetCallerId(call, {longName, "5551234"});
  const std::string expected = "callerid " + std::string(254, 'x') + "|5551234|0 call";
  PumpUntil([&] { return !host.events.empty() && host.events.back().rfind("info 1", 0) == 0; });
  EXPECT_TRUE(std::find(host.events.begin(), host.events.end(), expected) != host.events.end());
  const Lines lines = LogLines();
  for (const char *line :
       {"In [TkwTAPI::DispatchCallEvent] before lineGetCallInfo",
        "In [TkwTAPI::DispatchCallEvent] lineGetCallInfo returned: 0",
        "In [TkwTAPI::DispatchCallEvent] LINECALLPARTYID_ADDRESS detected. szData: [5551234]",
        "In [TkwTAPI::DispatchCallEvent] LINECALLPARTYID_NAME detected. asCallerNum: [5551234]",
        "In [TkwTAPI::DispatchCallEvent] before CallerID Callback event.",
        "In [TkwTAPI::DispatchCallEvent] after CallerID Callback event."}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  }
}

TEST_F(DispatchTest, BlockedCallerAndCalledPartyIdentification) {
  Open();
  OfferAndWait();
  exchange.SetCallerId(call, {.flags = LINECALLPARTYID_BLOCKED | LINECALLPARTYID_UNAVAIL});
  PumpUntil([&] { return host.events.back().rfind("info 1", 0) == 0; });
  EXPECT_EQ(host.events[host.events.size() - 2], "callerid N/A|N/A|4 call");
  host.events.clear();
  exchange.SetCalledId(call, {"Desk", "100"});
  PumpUntil([&] { return !host.events.empty() && host.events.back().rfind("info 1", 0) == 0; });
  EXPECT_EQ(host.events, (Lines{"calledid Desk|100|0", "info 1 65536 with info"}));
}

TEST_F(DispatchTest, FailedCallInfoReadEndsTheThreadWithItsText) {
  Open();
  sim::Faults().FailNext("lineGetCallInfoA", LINEERR_OPERATIONFAILED);
  exchange.OfferCall(0);
  PumpUntil([&] { return !boxes.Notices().empty(); });
  EXPECT_EQ(boxes.Notices()[0].text,
            "Internal error in [kwTAPIThread::Execute] msg: TAPI _Error: -2147483576, calling "
            "lineGetCallInfo");
  component.reset();
  ExpectNothingLeft();
}

// A provider that answers "too small" without asking for more would be asked again for ever:
// the read ends with the code's text, in the variant of the message being read.
TEST_F(DispatchTest, ACallInfoAnswerThatAsksForNoMoreEndsTheRead) {
  const std::string code = std::to_string(static_cast<LONG>(LINEERR_STRUCTURETOOSMALL));
  const struct {
    DWORD announced;  // 324 for LINE_CALLSTATE, 1324 for LINE_CALLINFO
    std::string text;
  } cases[] = {
      {324, "TAPI Error: " + code + ", calling lineGetCallInfo (2)"},
      {1324, "TAPI Error: " + code + ", calling lineGetCallInfo"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.announced);
    component_test::TNoticeCapture notices;
    Open();
    sim::Faults().FailWhen(
        "lineGetCallInfoA",
        [&c](const sim::Invocation &call) { return call.Num("dwTotalSize") == c.announced; },
        LINEERR_STRUCTURETOOSMALL);
    const sim::CallId call = exchange.OfferCall(0);
    exchange.SetCallerId(call, {"Alice", "5551234"});
    PumpUntil([&] { return !notices.Notices().empty(); });
    EXPECT_EQ(notices.Notices()[0].text,
              "Internal error in [kwTAPIThread::Execute] msg: " + c.text);
    sim::Faults().Clear();
    component->CloseDevice();
    exchange.HangUp(call);
    ExpectNothingLeft();
  }
}

// A provider claiming nearly 4 GB: the slack must not wrap the size into a small block that the
// provider then writes its whole record into.
TEST_F(DispatchTest, AClaimedSizeBeyondAnyBlockIsOutOfMemory) {
  exchange.Line(0).CallInfoExtraBytes(2000).CallInfoClaimedSize(0xFFFFFFF0);
  Open();
  exchange.OfferCall(0);
  PumpUntil([&] { return !boxes.Notices().empty(); });
  EXPECT_EQ(boxes.Notices()[0].text,
            "Internal error in [kwTAPIThread::Execute] msg: Out Of Memory(C) in MALLOC call");
  component.reset();
  ExpectNothingLeft();
}

}  // namespace
}  // namespace calls_test
