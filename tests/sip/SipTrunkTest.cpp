// Several lines behind one SIP address, as a trunk sends them: each call goes to the line of its
// Request-URI's user, and a line with channels is a hunt group that takes calls side by side
// until every channel has one. An application holds the devices open through the line
// functions and answers what it is offered.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/tapi32/tapi.h"
#include "providers/sip/SipProvider.h"
#include "simulator/Exchange.h"
#include "tests/component/TestSupport.h"
#include "tests/phone/PhoneHost.h"
#include "tests/sip/LineHost.h"
#include "tests/sip/Peer.h"
#include "tests/support/AudioSignals.h"

namespace {

using sip_test::FreeUdpPort;
using sip_test::Peer;

using SipTrunk = sip_test::LineHost;
constexpr int kPeerSeconds = 30;  // a sipp caller that has not finished by then has failed

TEST_F(SipTrunk, EachCallGoesToTheLineOfItsUser) {
  // Devices: Desk 0, Sales 1 and 2, the rest 3.
  Start("[line]\nname = Desk\nuser = desk\n" + Listen() +
            "[line]\nname = Sales\nuser = sales\nchannels = 2\n" + Listen() +
            "[line]\nname = Rest\n" + Listen(),
        {0, 1, 2, 3});
  struct {
    const char *user;
    const char *answer;
    std::vector<DWORD> busy;  // afterwards
  } const calls[] = {
      {"sales", "SIP/2.0 180 Ringing", {1}},
      {"desk", "SIP/2.0 180 Ringing", {0, 1}},
      {"sales", "SIP/2.0 180 Ringing", {0, 1, 2}},
      {"sales", "SIP/2.0 486 Busy Here", {0, 1, 2}},
      {"Desk", "SIP/2.0 180 Ringing", {0, 1, 2, 3}},  // users differ in case
      {"5550100", "SIP/2.0 486 Busy Here", {0, 1, 2, 3}},
  };
  for (const auto &call : calls) {
    EXPECT_EQ(Invite(call.user), call.answer) << "to " << call.user;
    ExpectBusy(4, call.busy, std::string("after a call to ") + call.user);
  }
  const std::string log = component_test::ReadFile(Path("sip.log"));
  const size_t refused = log.find("line 'Sales': INVITE from ");
  ASSERT_NE(refused, std::string::npos) << log;
  EXPECT_NE(log.find("while every channel has a call: 486 Busy Here", refused), std::string::npos)
      << log;
}

TEST_F(SipTrunk, ACallToAUserNoLineHasIsNotFound) {
  Start("[line]\nname = Desk\nuser = desk\n" + Listen() + "[line]\nname = Sales\nuser = sales\n" +
            Listen(),
        {0, 1});
  EXPECT_EQ(Invite("bob"), "SIP/2.0 404 Not Found");
  EXPECT_EQ(Busy(2), std::vector<DWORD>{});
  EXPECT_NE(
      component_test::ReadFile(Path("sip.log"))
          .find("INVITE to user 'bob' on " + Address() + ": no line has that user: 404 Not Found"),
      std::string::npos);
}

TEST_F(SipTrunk, ALineAloneOnItsAddressTakesEveryCallWhateverItsUser) {
  Start("[line]\nname = Desk\nuser = desk\n" + Listen(), {0});
  EXPECT_EQ(Invite("5550100"), "SIP/2.0 180 Ringing");
  ExpectBusy(1, {0}, "after a call to another user");
}

TEST_F(SipTrunk, AHuntGroupSkipsChannelsNobodyHasOpen) {
  Start("[line]\nname = Trunk\nchannels = 3\n" + Listen(), {1});
  EXPECT_EQ(Invite("anyone"), "SIP/2.0 180 Ringing");
  ExpectBusy(3, {1}, "after the first call");
  EXPECT_EQ(Invite("anyone"), "SIP/2.0 486 Busy Here");
  lineClose(open_.back());
  open_.pop_back();
  EXPECT_EQ(Invite("anyone"), "SIP/2.0 480 Temporarily Unavailable");
}

TEST_F(SipTrunk, TheChannelsAreDevicesOfTheirOwnWithTheLinesNumber) {
  Start("[line]\nname = Desk\nuser = desk\n" + Listen() +
            "[line]\nname = Trunk\nuser = 5550100\nchannels = 2\n" + Listen(),
        {});
  const char *const names[] = {"Desk", "Trunk (channel 1)", "Trunk (channel 2)"};
  for (DWORD device = 0; device < 3; ++device) {
    EXPECT_EQ(sim::TheExchange().WaveOutId(device), device);
    std::vector<char> record(4096);
    auto *caps = reinterpret_cast<LINEDEVCAPS *>(record.data());
    caps->dwTotalSize = static_cast<DWORD>(record.size());
    ASSERT_EQ(lineGetDevCapsA(app_, device, kVersion, 0, caps), 0);
    EXPECT_EQ(std::string(record.data() + caps->dwLineNameOffset), names[device]);
    EXPECT_EQ(std::string(record.data() + caps->dwProviderInfoOffset), "Corvax SIP");
  }
}

TEST_F(SipTrunk, AHuntGroupTakesCallsSideBySideAndIsBusyWhenFull) {
  if (!sip_test::Installed("sipp"))
    GTEST_SKIP() << "sipp (Debian's sip-tester) is not installed; scripts/setup installs it";
  Start("[line]\nname = Trunk\nuser = 5550100\nchannels = 2\n" + Listen(), {0, 1});
  // What the sipp callers say.
  ASSERT_TRUE(audio_test::WriteWave(folder_.Path("caller.wav"), audio_test::Sweep(300, 3300, 5),
                                    audio_test::Encoding::MuLaw));
  const auto caller = [&](const std::string &name) {
    return std::make_unique<Peer>(
        sip_test::Sipp("caller", Address(), FreeUdpPort(), kPeerSeconds, "5550100"),
        folder_.Path(""), name);
  };
  auto first = caller("first");
  AnswerNextCall();
  phone_test::WaitUntil([] { return Connected(0); }, "the first call to be connected");
  auto second = caller("second");
  AnswerNextCall();
  phone_test::WaitUntil([] { return Connected(1); }, "the second call to be connected");
  EXPECT_TRUE(Connected(0)) << "side by side";
  // At once, while both callers still talk.
  EXPECT_EQ(Invite("5550100"), "SIP/2.0 486 Busy Here") << "a third caller";
  EXPECT_EQ(first->Wait(), 0) << first->Output();
  EXPECT_EQ(second->Wait(), 0) << second->Output();
  // Once the callers have hung up, the channels take calls again.
  phone_test::WaitUntil([] { return Busy(2).empty(); }, "both calls to be over");
  EXPECT_EQ(Invite("5550100"), "SIP/2.0 180 Ringing");
  ExpectBusy(2, {0}, "after the call once the channels were free");
}

}  // namespace
