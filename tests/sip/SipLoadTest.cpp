// Real callers at once into one corvax-phone answering a hunt group, as the load bench runs
// them but few: every message saved whole, and callers who vanish mid-call leave no line
// taken. Only what was kept is asserted; how fast is the bench's to measure.
#include <gtest/gtest.h>

#include <string>

#include "tests/component/TestSupport.h"
#include "tests/sip/LoadRun.h"

namespace {

using sip_test::LoadHost;
using sip_test::RoundReport;

class SipLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!sip_test::Installed("sipp"))
      GTEST_SKIP() << "sipp (Debian's sip-tester) is not installed; scripts/setup installs it";
    settings_.phone = CORVAX_PHONE;
    settings_.folder = folder_.Path("");
    settings_.channels = 4;
    settings_.greetingSeconds = 2;
    settings_.speechSeconds = 4;
  }

  static void ExpectEveryMessageWhole(const RoundReport &round, int calls) {
    EXPECT_EQ(round.trouble, "");
    EXPECT_EQ(round.sippStatus, 0) << round.sippOutput;
    EXPECT_EQ(round.setupMs.size(), static_cast<size_t>(calls)) << "calls answered";
    ASSERT_EQ(round.messages.size(), static_cast<size_t>(calls)) << "messages saved";
    for (const auto &message : round.messages)
      EXPECT_TRUE(message.complete) << message.file << ": " << message.detail;
  }

  component_test::TScratchFolder folder_;
  sip_test::LoadSettings settings_;
};

TEST_F(SipLoad, CallersAtOnceEachLeaveTheirWholeMessage) {
  LoadHost host(settings_);
  ASSERT_EQ(host.WaitUntilServing(), "");
  const RoundReport round = sip_test::RunCallers(host, settings_, false);
  ExpectEveryMessageWhole(round, settings_.channels);
  EXPECT_FALSE(round.greetingGapsMs.empty()) << "no packet of the greeting arrived";
  EXPECT_EQ(host.Stop(), 130) << host.Output();
}

TEST_F(SipLoad, CallersWhoVanishMidCallLeaveEveryLineFreeForTheNext) {
  LoadHost host(settings_);
  ASSERT_EQ(host.WaitUntilServing(), "");
  const RoundReport vanished = sip_test::RunCallers(host, settings_, true);
  ASSERT_EQ(vanished.trouble, "") << host.Output();
  EXPECT_EQ(vanished.setupMs.size(), static_cast<size_t>(settings_.channels)) << "calls answered";
  // Each what they said before they fell silent.
  EXPECT_EQ(vanished.messages.size(), static_cast<size_t>(settings_.channels));
  // Every channel takes a call again: all of the next callers are answered and kept whole.
  ExpectEveryMessageWhole(sip_test::RunCallers(host, settings_, false), settings_.channels);
}

}  // namespace
