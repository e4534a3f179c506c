// A real registrar: Kamailio with digest authentication against a fixed user table
// (deploy/kamailio/registrar.cfg). corvax-phone's line registers, is called through it and
// keeps the message whole; another line calls it through the registrar; a wrong password is
// refused; a registrar that restarts and forgets has the line back within the registration's
// interval; a registration lost takes the line out of service for its applications until it is
// back.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/tapi32/tapi.h"
#include "providers/sip/SipProvider.h"
#include "tests/component/TestSupport.h"
#include "tests/phone/PhoneHost.h"
#include "tests/sip/Kamailio.h"
#include "tests/sip/LoadRun.h"

namespace {

using sip_test::LoadHost;

constexpr DWORD kVersion = 0x00020000;

// The longest the registrar grants. A line renews at 90 % of it; shorter, a renewal held up on a
// busy machine came after the registration had lapsed and a call in between found no line.
constexpr int kRegistrationSeconds = 10;

class SipRegistrar : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char *program : {"sipp", "kamailio"})
      if (!sip_test::Installed(program))
        GTEST_SKIP() << program << " is not installed; scripts/setup installs it";
    // Its own copy: db_text may write its tables back.
    std::filesystem::copy(std::string(CORVAX_KAMAILIO_CONFIGS) + "/users", folder_.Path("users"));
    registrar_ = std::make_unique<sip_test::Kamailio>(
        "registrar", folder_.Path("kamailio"),
        std::map<std::string, std::string>{
            {"USERS", "\"text://" + folder_.Path("users").string() + "\""},
            {"MAX_EXPIRES", std::to_string(kRegistrationSeconds)}});
    ASSERT_EQ(registrar_->WaitUntilAnswering(), "");
    settings_.phone = CORVAX_PHONE;
    settings_.folder = folder_.Path("");
    settings_.channels = 1;
    settings_.greetingSeconds = 1;
    settings_.speechSeconds = 2;
    settings_.calledUser = "desk";
  }

  void UseLine(const std::string &password) {
    settings_.lineKeys =
        "user = desk\npassword = " + password + "\nregistrar = sip:" + registrar_->Address() + "\n";
  }

  // Waits until the registrar has registered the line since it started.
  void ExpectRegistered(const std::string &when) {
    phone_test::WaitUntil(
        [&] { return registrar_->Output().find("registered sip:desk@") != std::string::npos; },
        "the line to register " + when, std::chrono::seconds(3 * kRegistrationSeconds));
  }

  void ExpectACallThroughTheRegistrar(LoadHost &host) {
    const auto round = sip_test::RunCallers(registrar_->Address(), {&host}, settings_, 1, false);
    EXPECT_EQ(round.trouble, "");
    EXPECT_EQ(round.sippStatus, 0) << round.sippOutput;
    ASSERT_EQ(round.messages.size(), 1u) << registrar_->Output();
    EXPECT_TRUE(round.messages[0].complete) << round.messages[0].detail;
  }

  component_test::TScratchFolder folder_;
  std::unique_ptr<sip_test::Kamailio> registrar_;
  sip_test::LoadSettings settings_;
};

TEST_F(SipRegistrar, ALineRegistersIsCalledThroughItAndRegistersAgainAfterARestart) {
  UseLine("desk-secret");
  LoadHost host(settings_);
  ASSERT_EQ(host.WaitUntilServing(), "");
  ExpectRegistered("at the start");
  ExpectACallThroughTheRegistrar(host);

  // A restarted registrar knows no line until each renews its registration.
  registrar_->Stop();
  registrar_->Start();
  ASSERT_EQ(registrar_->WaitUntilAnswering(), "");
  ExpectRegistered("after the registrar restarted");
  ExpectACallThroughTheRegistrar(host);
}

TEST_F(SipRegistrar, ACallPlacedThroughTheRegistrarReachesTheRegisteredLine) {
  UseLine("desk-secret");
  LoadHost host(settings_);
  ASSERT_EQ(host.WaitUntilServing(), "");
  ExpectRegistered("before it is called");
  const audio_test::Samples said = sip_test::CallerSound(settings_);
  ASSERT_TRUE(audio_test::WriteWave(folder_.Path("said.wav"), said));
  std::ofstream(folder_.Path("dialler.conf"))
      << "log = " << folder_.Path("dialler.log").string()
      << "\n[line]\nname = Out\nlisten = 127.0.0.1:" << sip_test::FreeUdpPort() << "\n";
  sip_test::Peer dialler({CORVAX_PHONE, "dial", "sip:desk@" + registrar_->Address(), "--sip",
                          folder_.Path("dialler.conf").string(), "--play",
                          folder_.Path("said.wav").string()},
                         folder_.Path(""), "dialler");
  EXPECT_EQ(dialler.Wait(), 0) << dialler.Output();
  ASSERT_TRUE(phone_test::WaitUntil([&] { return host.CallsEnded() == 1; },
                                    "the registered line to end the call"));
  const auto messages = sip_test::Messages(host.Messages());
  ASSERT_EQ(messages.size(), 1u) << host.Output();
  const sip_test::MessageCheck check =
      sip_test::CheckMessage(*messages.begin(), said, sip_test::CallerLead(settings_));
  EXPECT_TRUE(check.complete) << check.detail;
}

TEST_F(SipRegistrar, AWrongPasswordIsRefused) {
  UseLine("not-the-password");
  LoadHost host(settings_);
  const std::string failure = host.WaitUntilServing();
  EXPECT_NE(failure.find("corvax-phone ended"), std::string::npos) << failure;
  const std::string log = component_test::ReadFile(folder_.Path("host/sip.log").string());
  EXPECT_NE(log.find("line 'Trunk': registration with sip:" + registrar_->Address() + " refused: "),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("not-the-password"), std::string::npos) << "the password is never logged";
  EXPECT_EQ(registrar_->Output().find("registered sip:desk@"), std::string::npos);
}

// Waits for the application's LINE_LINEDEVSTATE with `state`, other messages passing by.
void ExpectLineState(HLINEAPP app, DWORD state, const char *what, std::chrono::seconds limit) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  for (auto now = std::chrono::steady_clock::now(); now < giveUp;
       now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - now);
    LINEMESSAGE message{};
    if (lineGetMessage(app, &message, static_cast<DWORD>(left.count())) != 0) break;
    if (message.dwMessageID == LINE_LINEDEVSTATE && message.dwParam1 == state) return;
  }
  ADD_FAILURE() << "waited " << limit.count() << " s for the line to be " << what;
}

TEST_F(SipRegistrar, ALostRegistrationTakesTheLineOutOfServiceUntilItIsBack) {
  const std::string conf = folder_.Path("sip.conf").string();
  std::ofstream(conf) << "log = " << folder_.Path("sip.log").string()
                      << "\n[line]\nname = Desk\nlisten = 127.0.0.1:" << sip_test::FreeUdpPort()
                      << "\nuser = desk\npassword = desk-secret\nregistrar = sip:"
                      << registrar_->Address() << "\n";
  sipnet::SipProvider provider(conf);
  ASSERT_EQ(provider.StartError(), 0) << provider.StartReason();
  provider.Install();
  HLINEAPP app = 0;
  DWORD devices = 0;
  DWORD version = kVersion;
  LINEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  ASSERT_EQ(lineInitializeExA(&app, 0, nullptr, "registrar test", &devices, &version, &params), 0);
  HLINE line = 0;
  EXPECT_EQ(lineOpenA(app, 0, &line, kVersion, 0, 0, LINECALLPRIVILEGE_OWNER,
                      LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
            0);
  EXPECT_EQ(lineSetStatusMessages(line, LINEDEVSTATE_OUTOFSERVICE | LINEDEVSTATE_INSERVICE, 0), 0);

  registrar_->Stop();
  // The renewal goes unanswered until SIP's transaction timeout.
  ExpectLineState(app, LINEDEVSTATE_OUTOFSERVICE, "out of service", std::chrono::seconds(60));
  registrar_->Start();
  ASSERT_EQ(registrar_->WaitUntilAnswering(), "");
  // libre tries a lost registration again within a minute.
  ExpectLineState(app, LINEDEVSTATE_INSERVICE, "back in service", std::chrono::seconds(90));
  const std::string log = component_test::ReadFile(folder_.Path("sip.log").string());
  EXPECT_NE(log.find("line 'Desk': registered again with sip:" + registrar_->Address()),
            std::string::npos)
      << log;
  lineClose(line);
  lineShutdown(app);
}

}  // namespace
