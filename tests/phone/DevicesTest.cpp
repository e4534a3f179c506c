// The devices report of corvax-phone: when the provider has no line devices at all, as the
// system's TAPI may have (Wine's has none), a clear message, no device dialog, no notice;
// otherwise the report and the device dialog, whose chosen line is tried.
#include <gtest/gtest.h>

#include <sstream>

#include "component/Kwtapi.h"
#include "examples/DemoExchange.h"
#include "examples/Devices.h"
#include "simulator/Exchange.h"
#include "tests/component/TestSupport.h"

namespace {

TEST(DevicesReport, AProviderWithoutLinesIsReportedPlainly) {
  component_test::TNoticeCapture notices;
  sim::TheExchange().Reset(0);
  std::ostringstream out;
  {
    TkwTAPI tapi(nullptr);
    ListDevices(tapi, "the system's TAPI", out);
  }
  EXPECT_EQ(out.str(),
            "Line devices on the system's TAPI: 0\n"
            "No line devices: the system's TAPI reports none, so there is nothing to open or "
            "choose. Install a modem or another TAPI line device (for SIP lines, the provider's "
            "log says why it has none), or run without --system-tapi or --sip to use the "
            "simulated exchange.\n");
  EXPECT_TRUE(notices.Notices().empty());
  EXPECT_EQ(sim::TheExchange().ApplicationCount(), 0u);
}

}  // namespace

namespace {

struct TChoice {
  int entry;          // chosen in the dialog, -1: cancelled
  std::string shown;  // what the report ends with
};

class DevicesDialog : public ::testing::TestWithParam<TChoice> {};

// The demo's three lines; line 2 reports its strings in Unicode, which the component cannot
// read, so it cannot be opened: the dialog's run says why, as answer --choose does.
TEST_P(DevicesDialog, TheChosenLineIsTriedAsACommandWouldOpenIt) {
  component_test::TNoticeCapture notices;
  demo::SetUpExchange();
  TScriptedModalDriver user;
  if (GetParam().entry >= 0)
    user.Then(TUserAction::DoubleClick(GetParam().entry));
  else
    user.Then(TUserAction::Escape());
  TModalDriverScope scope(user);
  std::ostringstream out;
  {
    TkwTAPI tapi(nullptr);
    ListDevices(tapi, "the simulated exchange", out);
  }
  const std::string shown = out.str();
  const std::string ending = GetParam().shown;
  ASSERT_GE(shown.size(), ending.size()) << shown;
  EXPECT_EQ(shown.substr(shown.size() - ending.size()), ending) << shown;
  EXPECT_EQ(user.Remaining(), 0);
  EXPECT_TRUE(notices.Notices().empty());
  EXPECT_EQ(sim::TheExchange().ApplicationCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, DevicesDialog,
    ::testing::Values(
        TChoice{2,
                "Chosen:\n  device 2: Line Unnamed\n    capabilities unavailable (not reported in "
                "ASCII)\n    cannot be opened: The line device's capabilities could not be "
                "read\n"},
        TChoice{0, "    automated voice: no\n    opens: yes\n"},
        TChoice{-1, "\nNo device chosen.\n"}));

}  // namespace
