#include <string>
#include <vector>

#include "tests/calls/CallsFixture.h"

namespace calls_test {
namespace {

using Lines = std::vector<std::string>;

TEST_F(CallsTest, PlainOpenWritesTwelveLinesAndCloseReleasesInOrder) {
  Open();
  EXPECT_EQ(
      LogLines(),
      (Lines{"START of [TkwTAPI::OpenDevice]", "In [TkwTAPI::OpenDevice] using dwTAPIDeviceID_m: 0",
             "In [TkwTAPI::OpenDevice] lineInitializeEx returned: 0 using TAPI version: 2.2 "
             "TAPI device count: 1",
             "In [TkwTAPI::OpenDevice] lineNegotiateAPIVersion returned: 0 using TAPI "
             "version: 2.0 TAPI device id: 0",
             "In [TkwTAPI::OpenDevice] before infamous lineOpen loop.",
             "In [TkwTAPI::OpenDevice] top of infamous lineOpen loop iteration #: 1 "
             "iMediaRetries: 0",
             "In [TkwTAPI::OpenDevice] lineOpen returned: 0 using TAPI version: 2.0 TAPI "
             "device id: 0 Privileges: 6 Media Modes: 4",
             "In [TkwTAPI::OpenDevice] after lineOpen loop.",
             "In [TkwTAPI::OpenDevice] created TAPI msg thread #1.",
             "In [TkwTAPI::OpenDevice] lineSetStatusMessages returned: 0",
             "Bottom of [TkwTAPI::OpenDevice] function.",
             "END of [TkwTAPI::OpenDevice] returning: 1"}));
  EXPECT_EQ(component->OpenDeviceID, 0u);
  EXPECT_EQ(exchange.OpenLineCount(0), 1u);

  sim::OperationJournal().Clear();
  // A clean close of an open device reports true; a second close finds nothing to release.
  EXPECT_TRUE(component->CloseDevice());
  const auto &journal = sim::OperationJournal();
  EXPECT_LT(journal.Find("lineClose"), journal.Find("lineShutdown"));
  EXPECT_EQ(journal.Count("lineClose"), 1u);
  EXPECT_FALSE(component->CloseDevice());
  EXPECT_EQ(journal.Count("lineShutdown"), 1u);
  EXPECT_EQ(component->OpenDeviceID, 0xFFFFFFFFu);
  EXPECT_EQ(component->TAPIDevicesDetected, 0u);
  ExpectNothingLeft();
}

TEST_F(CallsTest, RefusedMediaModeOpensSecondInstanceThenMonitors) {
  exchange.Line(0)
      .MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM)
      .OpenAnswer([](DWORD privileges, DWORD media) -> LONG {
        return (privileges & LINECALLPRIVILEGE_OWNER) && media != LINEMEDIAMODE_DATAMODEM
                   ? LINEERR_INVALMEDIAMODE
                   : 0;
      });
  Open();
  EXPECT_EQ(exchange.OpenLineCount(0), 2u);
  EXPECT_EQ(exchange.ApplicationCount(), 2u);
  EXPECT_EQ(component->Privileges, 2);
  EXPECT_EQ(component->MediaModes, 4);
  const Lines lines = LogLines();
  for (const char *expected :
       {"In [TkwTAPI::OpenDevice] top of infamous lineOpen loop iteration #: 1 iMediaRetries: 0",
        "In [TkwTAPI::OpenDevice] in lineOpen loop caught exception: lineOpen failed with "
        "iMediaRetries: 0 with code: LINEERR_INVALMEDIAMODE",
        "In [TkwTAPI::OpenDevice] top of infamous lineOpen loop iteration #: 2 iMediaRetries: 1",
        "In [TkwTAPI::OpenDevice] lineOpen returned: 0 using TAPI version: 2.0 TAPI device id: 0 "
        "Privileges: 4 Media Modes: 16",
        "In [TkwTAPI::OpenDevice] top of infamous lineOpen loop iteration #: 3 iMediaRetries: 2",
        "In [TkwTAPI::OpenDevice] created TAPI msg thread #2."}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
  }
  // The second instance's thread releases the calls it is given.
  const sim::CallId call = exchange.OfferCall(0);
  host.after = nullptr;
  PumpUntil([&] { return host.events.size() >= 2; });
  exchange.HangUp(call);
  PumpUntil([&] { return exchange.CallHandleCount() == 0; });
  component.reset();
  ExpectNothingLeft();
}

struct OpenFailure {
  const char *name;
  std::function<void(sim::Exchange &, TkwTAPI &)> arrange;
  std::string text;
  int iSection;
};

class OpenFailureTest : public CallsTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ReachesTheHostWithItsSectionAndLeavesNothingAfterDestruction) {
  GetParam().arrange(exchange, *component);
  DWORD dwDevice = 0;
  EXPECT_FALSE(component->OpenDevice(dwDevice, false, false));
  ASSERT_EQ(host.events.size(), 1u);
  EXPECT_EQ(host.events[0],
            "error " + GetParam().text + " | " + std::to_string(GetParam().iSection) + " 1");
  EXPECT_EQ(component->OpenDeviceID, 0xFFFFFFFFu);
  EXPECT_EQ(LogLines().back(), "END of [TkwTAPI::OpenDevice] returning: 0");
  component.reset();
  ExpectNothingLeft();
  EXPECT_TRUE(boxes.Notices().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailureTest,
    ::testing::Values(
        OpenFailure{"OldTapi", [](sim::Exchange &e, TkwTAPI &) { e.SetTapiVersion(0x00010004); },
                    "Invalid TAPI version, your modem MUST support TAPI version 2.0 or higher to "
                    "use TAPI. Your current TAPI version is: 1.4 (65540)",
                    0},
        OpenFailure{"InitFails",
                    [](sim::Exchange &, TkwTAPI &) {
                      sim::Faults().FailNext("lineInitializeExA", LINEERR_REINIT);
                    },
                    "lineInitializeEx Failed.", 0},
        OpenFailure{"NoDevices", [](sim::Exchange &e, TkwTAPI &) { e.Reset(0); },
                    "No TAPI devices detected", 1},
        OpenFailure{"Negotiation",
                    [](sim::Exchange &, TkwTAPI &) {
                      sim::Faults().FailNext("lineNegotiateAPIVersion", LINEERR_NODRIVER);
                    },
                    "lineNegotiateAPIVersion failed", 2},
        OpenFailure{"NoCaps",
                    [](sim::Exchange &, TkwTAPI &) {
                      sim::Faults().FailNext("lineGetDevCapsA", LINEERR_NOMEM);
                    },
                    "The line device's capabilities could not be read", 2},
        OpenFailure{"AutomatedVoice",
                    [](sim::Exchange &e, TkwTAPI &c) {
                      e.Line(0).MediaModes(0x4);
                      c.MediaModes = 0x8 | 0x4;
                    },
                    "TAPI Device does NOT support: AUTOMATEDVOICE MODE", 2},
        OpenFailure{"DataModemAsked",
                    [](sim::Exchange &e, TkwTAPI &c) {
                      e.Line(0).MediaModes(0x4 | 0x10).OpenAnswer([](DWORD, DWORD) -> LONG {
                        return LINEERR_INVALMEDIAMODE;
                      });
                      c.MediaModes = 0x14;
                    },
                    "lineOpen failed with iMediaRetries: 0 with code: LINEERR_INVALMEDIAMODE", 3},
        OpenFailure{"Allocated",
                    [](sim::Exchange &e, TkwTAPI &) {
                      e.Line(0).MediaModes(0x4 | 0x10).OpenAnswer([](DWORD, DWORD) -> LONG {
                        return LINEERR_ALLOCATED;
                      });
                    },
                    "lineOpen failed with iMediaRetries: 0 with code: LINEERR_ALLOCATED", 3},
        OpenFailure{"RetryFails",
                    [](sim::Exchange &e, TkwTAPI &) {
                      e.Line(0).MediaModes(0x4 | 0x10).OpenAnswer([](DWORD, DWORD) -> LONG {
                        return LINEERR_INVALMEDIAMODE;
                      });
                    },
                    "lineOpen failed with iMediaRetries: 1 with code: LINEERR_INVALMEDIAMODE", 3},
        OpenFailure{"StatusMessages",
                    [](sim::Exchange &, TkwTAPI &) {
                      sim::Faults().FailNext("lineSetStatusMessages", LINEERR_OPERATIONFAILED);
                    },
                    "lineSetStatusMessages failed", 4}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CallsTest, OldTapiThatInitialisedIsShutDown) {
  exchange.SetTapiVersion(0x00010004);
  DWORD dwDevice = 0;
  EXPECT_FALSE(component->OpenDevice(dwDevice, false, true));
  EXPECT_EQ(exchange.ApplicationCount(), 0u);
  EXPECT_TRUE(host.events.empty());
}

TEST_F(CallsTest, StatusMessageFailureStopsThreadOneQuietly) {
  sim::Faults().FailNext("lineSetStatusMessages", LINEERR_OPERATIONFAILED);
  DWORD dwDevice = 0;
  EXPECT_FALSE(component->OpenDevice(dwDevice, false, true));
  component.reset();
  // Thread #1 ended before its instance went, so it showed no wait failure.
  EXPECT_TRUE(boxes.Notices().empty());
  ExpectNothingLeft();
}

// A line goes with the instance it was opened on: a failed open that shut an instance down
// leaves no handle of its line for a later close to close again.
TEST_F(CallsTest, AFailedOpenKeepsNoLineOfAnInstanceItShutDown) {
  const struct {
    const char *name;
    std::function<void()> inject;
  } cases[] = {
      {"second pass",
       [this] {
         // Pass 0 is refused, pass 1 opens the second instance, pass 2 fails.
         int opens = 0;
         exchange.Line(0).MediaModes(0x4 | 0x10).OpenAnswer([opens](DWORD, DWORD) mutable -> LONG {
           return ++opens == 2 ? 0 : LINEERR_INVALMEDIAMODE;
         });
       }},
      {"status messages",
       [] { sim::Faults().FailNext("lineSetStatusMessages", LINEERR_OPERATIONFAILED); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    exchange.Reset();
    c.inject();
    DWORD dwDevice = 0;
    EXPECT_FALSE(component->OpenDevice(dwDevice, false, true));
    sim::OperationJournal().Clear();
    component->CloseDevice();
    EXPECT_EQ(sim::OperationJournal().Count("lineClose"), 0u);
    ExpectNothingLeft();
  }
}

TEST_F(CallsTest, SecondOpenClosesTheFirstDevice) {
  Open();
  Open();
  EXPECT_EQ(exchange.OpenLineCount(0), 1u);
  EXPECT_EQ(exchange.ApplicationCount(), 1u);
  EXPECT_EQ(sim::OperationJournal().Count("lineClose"), 1u);
}

TEST_F(CallsTest, DestructionLogsAroundCloseAndLeavesNothingMidCall) {
  Open();
  exchange.OfferCall(0);
  PumpUntil([&] { return host.events.size() >= 2; });
  component.reset();
  const Lines lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "In [TkwTAPI::~TkwTAPI] before CloseDevice.");
  EXPECT_EQ(lines.back(), "In [TkwTAPI::~TkwTAPI] after CloseDevice.");
  ExpectNothingLeft();
  EXPECT_TRUE(boxes.Notices().empty());
}

TEST_F(CallsTest, NeverOpenedDestructionMakesNoTapiCall) {
  component.reset();
  EXPECT_TRUE(sim::OperationJournal().Entries().empty());
  EXPECT_EQ(LogLines(), (Lines{"In [TkwTAPI::~TkwTAPI] before CloseDevice.",
                               "In [TkwTAPI::~TkwTAPI] after CloseDevice."}));
}

TEST_F(CallsTest, NegotiationHelpersAnswerZeroOnAnyFailure) {
  Open();
  EXPECT_EQ(component->I_lineNegotiateLegacyAPIVersion(0), 0x00020000u);
  sim::Faults().FailNext("lineNegotiateAPIVersion", LINEERR_INCOMPATIBLEAPIVERSION);
  EXPECT_EQ(component->I_lineNegotiateLegacyAPIVersion(0), 0u);
  sim::Faults().FailNext("lineNegotiateAPIVersion", LINEERR_NODRIVER);
  EXPECT_EQ(component->I_lineNegotiateAPIVersion(0), 0u);
  EXPECT_TRUE(component->CheckAllowedAutomatedVoice());
  component->CloseDevice();
  EXPECT_FALSE(component->CheckAllowedAutomatedVoice());
}

}  // namespace
}  // namespace calls_test
