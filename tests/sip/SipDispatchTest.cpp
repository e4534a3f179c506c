// More lines than one host: Kamailio in front of two corvax-phone hosts on their own loopback
// addresses, with its dispatcher probing them (deploy/kamailio/dispatcher.cfg). Calls spread
// over the hosts, each message is saved whole on the host that took the call, a host that dies
// is left out and one that comes back takes calls again.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "tests/component/TestSupport.h"
#include "tests/phone/PhoneHost.h"
#include "tests/sip/Kamailio.h"
#include "tests/sip/LoadRun.h"

namespace {

using sip_test::LoadHost;
using sip_test::RoundReport;

constexpr int kCalls = 4;  // at once, in each round

// How many of the round's messages each host saved; every one of them must be whole.
std::map<std::string, int> SavedWholeBy(const RoundReport &round) {
  EXPECT_EQ(round.trouble, "");
  EXPECT_EQ(round.sippStatus, 0) << round.sippOutput;
  std::map<std::string, int> saved;
  for (const auto &message : round.messages) {
    EXPECT_TRUE(message.complete) << message.host << ": " << message.file << ": " << message.detail;
    ++saved[message.host];
  }
  return saved;
}

TEST(SipDispatch, CallsSpreadOverHostsAndADeadHostIsLeftOutUntilItIsBack) {
  for (const char *program : {"sipp", "kamailio"})
    if (!sip_test::Installed(program))
      GTEST_SKIP() << program << " is not installed; scripts/setup installs it";
  component_test::TScratchFolder folder;
  sip_test::LoadSettings settings;
  settings.phone = CORVAX_PHONE;
  settings.folder = folder.Path("");
  settings.channels = kCalls;  // a host left alone takes every call
  settings.greetingSeconds = 1;
  settings.speechSeconds = 2;
  LoadHost first(settings, "127.0.0.2", "first"), second(settings, "127.0.0.3", "second");
  ASSERT_EQ(first.WaitUntilServing(), "");
  ASSERT_EQ(second.WaitUntilServing(), "");
  std::ofstream(folder.Path("hosts.list")) << "1 sip:" << first.Address() << " 0 0\n"
                                           << "1 sip:" << second.Address() << " 0 0\n";
  sip_test::Kamailio proxy(
      "dispatcher", folder.Path("kamailio"),
      {{"HOSTS_LIST", "\"" + folder.Path("hosts.list").string() + "\""}, {"PROBE_SECONDS", "1"}});
  ASSERT_EQ(proxy.WaitUntilAnswering(), "");
  const auto round = [&](const char *when) {
    SCOPED_TRACE(when);
    const RoundReport report =
        sip_test::RunCallers(proxy.Address(), {&first, &second}, settings, kCalls, false);
    EXPECT_EQ(report.messages.size(), static_cast<size_t>(kCalls)) << proxy.Output();
    return SavedWholeBy(report);
  };

  auto saved = round("both hosts serving");
  EXPECT_EQ(saved["first"], kCalls / 2);
  EXPECT_EQ(saved["second"], kCalls / 2);

  second.Kill();
  // Calls sent to the dead host before a probe has found it out go on to the survivor.
  saved = round("the second host killed just before");
  EXPECT_EQ(saved["first"], kCalls);

  second.Start();
  ASSERT_EQ(second.WaitUntilServing(), "");
  phone_test::WaitUntil(
      [&] {
        return proxy.Output().find("host sip:" + second.Address() + " is back") !=
               std::string::npos;
      },
      "a probe to find the second host back", std::chrono::seconds(10));
  saved = round("the second host started again");
  EXPECT_GE(saved["second"], 1) << proxy.Output();
}

}  // namespace
