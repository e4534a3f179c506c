// Every provider operation can be made to fail with a chosen code, and the journal records
// each one with its arguments and result.
#include <functional>
#include <string>
#include <vector>

#include "simulator/Operation.h"
#include "tests/tapi32/LineFixture.h"

namespace tapi_test {
namespace {

struct Operation {
  std::string name;
  std::function<LONG(HLINEAPP, HLINE, HCALL)> call;
};

std::vector<Operation> Operations() {
  static LINEMESSAGE message;
  static LINEEXTENSIONID extension;
  static DWORD version;
  static HCALL made;
  static HLINE opened;
  static LINEINITIALIZEEXPARAMS params;
  return {
      {"lineInitializeExA",
       [](HLINEAPP, HLINE, HCALL) {
         HLINEAPP app = 0;
         DWORD devices = 0;
         params = {sizeof params, 0, 0, LINEINITIALIZEEXOPTION_USEEVENT, {0}, 0};
         return lineInitializeExA(&app, 0, nullptr, nullptr, &devices, &version, &params);
       }},
      {"lineNegotiateAPIVersion",
       [](HLINEAPP app, HLINE, HCALL) {
         return lineNegotiateAPIVersion(app, 0, 0x00010003, 0x0FFF0FFF, &version, &extension);
       }},
      {"lineGetDevCapsA",
       [](HLINEAPP app, HLINE, HCALL) {
         LINEDEVCAPS caps{};
         caps.dwTotalSize = sizeof caps;
         return lineGetDevCapsA(app, 0, 0x00020000, 0, &caps);
       }},
      {"lineGetAddressCapsA",
       [](HLINEAPP app, HLINE, HCALL) {
         LINEADDRESSCAPS caps{};
         caps.dwTotalSize = sizeof caps;
         return lineGetAddressCapsA(app, 0, 0, 0x00020000, 0, &caps);
       }},
      {"lineOpenA",
       [](HLINEAPP app, HLINE, HCALL) {
         return lineOpenA(app, 0, &opened, 0x00020000, 0, 0, LINECALLPRIVILEGE_MONITOR, 0, nullptr);
       }},
      {"lineSetStatusMessages",
       [](HLINEAPP, HLINE line, HCALL) { return lineSetStatusMessages(line, 0, 0); }},
      {"lineGetMessage",
       [](HLINEAPP app, HLINE, HCALL) { return lineGetMessage(app, &message, 0); }},
      {"lineGetCallInfoA",
       [](HLINEAPP, HLINE, HCALL call) {
         LINECALLINFO info{};
         info.dwTotalSize = sizeof info;
         return lineGetCallInfoA(call, &info);
       }},
      {"lineGetCallStatus",
       [](HLINEAPP, HLINE, HCALL call) {
         LINECALLSTATUS status{};
         status.dwTotalSize = sizeof status;
         return lineGetCallStatus(call, &status);
       }},
      {"lineGetIDA",
       [](HLINEAPP, HLINE line, HCALL) {
         VARSTRING id{};
         id.dwTotalSize = sizeof id;
         return lineGetIDA(line, 0, 0, LINECALLSELECT_LINE, &id, "wave/out");
       }},
      {"lineAnswer", [](HLINEAPP, HLINE, HCALL call) { return lineAnswer(call, nullptr, 0); }},
      {"lineGenerateTone",
       [](HLINEAPP, HLINE, HCALL call) {
         return lineGenerateTone(call, LINETONEMODE_BEEP, 0, 0, nullptr);
       }},
      {"lineMonitorDigits",
       [](HLINEAPP, HLINE, HCALL call) { return lineMonitorDigits(call, LINEDIGITMODE_DTMF); }},
      {"lineGenerateDigitsA",
       [](HLINEAPP, HLINE, HCALL call) {
         return lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "1#", 0);
       }},
      {"lineDrop", [](HLINEAPP, HLINE, HCALL call) { return lineDrop(call, nullptr, 0); }},
      {"lineMakeCallA",
       [](HLINEAPP, HLINE line, HCALL) { return lineMakeCallA(line, &made, "1", 0, nullptr); }},
      {"tapiRequestMakeCallA",
       [](HLINEAPP, HLINE, HCALL) { return tapiRequestMakeCallA("1", "a", "b", "c"); }},
      {"lineDeallocateCall", [](HLINEAPP, HLINE, HCALL call) { return lineDeallocateCall(call); }},
      {"lineClose", [](HLINEAPP, HLINE line, HCALL) { return lineClose(line); }},
      {"lineShutdown", [](HLINEAPP app, HLINE, HCALL) { return lineShutdown(app); }},
  };
}

class FaultInjectionTest : public LineFixture {
 protected:
  void SetUp() override {
    LineFixture::SetUp();
    app = Initialize();
    line = Open(app);
    exchange.OfferCall(0);
    for (const LINEMESSAGE &m : Drain(app)) {
      if (m.dwMessageID == LINE_APPNEWCALL) call = m.dwParam2;
    }
  }

  LineApp app;
  HLINE line = 0;
  HCALL call = 0;
};

TEST_F(FaultInjectionTest, EveryOperationFailsWithTheChosenCodeAndIsJournalled) {
  for (const Operation &operation : Operations()) {
    SCOPED_TRACE(operation.name);
    sim::OperationJournal().Clear();
    sim::Faults().FailNext(operation.name, LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(LINEERR_RESOURCEUNAVAIL, operation.call(app.app, line, call));
    const auto entries = sim::OperationJournal().Entries(operation.name);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(LINEERR_RESOURCEUNAVAIL, entries[0].result);
  }
  // Nothing was done by the failed operations: the instance, its line and the call remain.
  EXPECT_EQ(1u, exchange.ApplicationCount());
  EXPECT_EQ(1u, exchange.OpenLineCount(0));
  EXPECT_EQ(static_cast<DWORD>(LINECALLSTATE_OFFERING), exchange.CallState(exchange.LatestCall(0)));
}

TEST_F(FaultInjectionTest, EveryOperationSucceedsWithoutAFault) {
  // lineDrop has taken the call idle by the time lineMakeCallA places a new one.
  for (const Operation &operation : Operations()) {
    SCOPED_TRACE(operation.name);
    const LONG result = operation.call(app.app, line, call);
    if (operation.name == "lineGetMessage") {
      EXPECT_TRUE(result == 0 || result == LINEERR_OPERATIONFAILED);
    } else {
      EXPECT_GE(result, 0);
    }
  }
}

TEST_F(FaultInjectionTest, FaultsCanPickTheNthCallOrMatchArguments) {
  sim::Faults().FailNth("lineGetIDA", 2, LINEERR_NOMEM);
  sim::Faults().FailWhen(
      "lineOpenA", [](const sim::Invocation &c) { return c.Num("dwDeviceID") == 0; },
      LINEERR_ALLOCATED);
  VARSTRING id{};
  id.dwTotalSize = sizeof id;
  EXPECT_EQ(0, lineGetIDA(line, 0, 0, LINECALLSELECT_LINE, &id, "wave/out"));
  EXPECT_EQ(LINEERR_NOMEM, lineGetIDA(line, 0, 0, LINECALLSELECT_LINE, &id, "wave/out"));
  EXPECT_EQ(0, lineGetIDA(line, 0, 0, LINECALLSELECT_LINE, &id, "wave/out"));
  HLINE other = 0;
  EXPECT_EQ(LINEERR_ALLOCATED,
            lineOpenA(app.app, 0, &other, 0x00020000, 0, 0, LINECALLPRIVILEGE_MONITOR, 0, nullptr));
  EXPECT_EQ(0u, other);
}

TEST_F(FaultInjectionTest, TheJournalKeepsOrderAndArguments) {
  sim::OperationJournal().Clear();
  lineClose(line);
  lineShutdown(app.app);
  const auto &journal = sim::OperationJournal();
  const int close = journal.Find("lineClose");
  ASSERT_GE(close, 0);
  EXPECT_GT(journal.Find("lineShutdown"), close);
  EXPECT_EQ(static_cast<int64_t>(line), journal.Entries("lineClose")[0].call.Num("hLine"));
}

}  // namespace
}  // namespace tapi_test
