// corvax-phone on a SIP line, run in process, with real SIP peers on the loopback interface:
// sipp scenarios as callers and called parties, and baresip calling the answering machine.
// Calls run in real time (RTP is paced by the wall clock), so each test takes a few seconds.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "component/Kwtapi.h"
#include "examples/Devices.h"
#include "examples/Interrupt.h"
#include "examples/Phone.h"
#include "providers/sip/SipProvider.h"
#include "ScriptedModalDriver.h"
#include "simulator/Exchange.h"
#include "tests/component/TestSupport.h"
#include "tests/phone/PhoneHost.h"
#include "tests/sip/Peer.h"
#include "tests/support/AudioSignals.h"

namespace {

namespace fs = std::filesystem;
using sip_test::FreeUdpPort;
using sip_test::Peer;
using sip_test::Sipp;

constexpr double kToneHz = 1000;
constexpr int kPeerSeconds = 30;  // a peer that has not finished by then has failed
constexpr auto kPhoneGrace = std::chrono::seconds(20);

using phone_test::WaveFilesIn;

// Waits, on a thread other than the main one, until `holds` or `seconds` of real time have
// passed; whether it holds.
bool WaitFor(const std::function<bool()> &holds, int seconds) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!holds()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// Sends one datagram from `from` to the line and returns the first line of its answer (""
// when none comes within two seconds).
std::string Probe(int from, int port, const std::string &datagram) {
  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in local = Loopback(from);
  bind(sock, reinterpret_cast<const sockaddr *>(&local), sizeof local);
  sockaddr_in line{};
  line.sin_family = AF_INET;
  line.sin_port = htons(static_cast<uint16_t>(port));
  line.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sendto(sock, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr *>(&line),
         sizeof line);
  pollfd ready{sock, POLLIN, 0};
  std::string answer;
  if (poll(&ready, 1, 2000) == 1) {
    char buffer[2048];
    const ssize_t size = recv(sock, buffer, sizeof buffer, 0);
    if (size > 0) answer.assign(buffer, static_cast<size_t>(size));
  }
  close(sock);
  return answer.substr(0, answer.find("\r\n"));
}

std::string Invite(int from, int to, const std::string &sdp) {
  std::ostringstream message;
  message << "INVITE sip:desk@127.0.0.1:" << to << " SIP/2.0\r\n"
          << "Via: SIP/2.0/UDP 127.0.0.1:" << from << ";branch=z9hG4bK-" << from << "-"
          << sdp.size() << "\r\nFrom: <sip:probe@127.0.0.1:" << from << ">;tag=probe\r\n"
          << "To: <sip:desk@127.0.0.1:" << to << ">\r\nCall-ID: probe-" << sdp.size()
          << "@127.0.0.1\r\nCSeq: 1 INVITE\r\nContact: <sip:probe@127.0.0.1:" << from
          << ">\r\nMax-Forwards: 70\r\nContent-Type: application/sdp\r\nContent-Length: "
          << sdp.size() << "\r\n\r\n"
          << sdp;
  return message.str();
}

class SipLine : public phone_test::PhoneHost {
 protected:
  void SetUp() override {
    if (!sip_test::Installed("sipp"))
      GTEST_SKIP() << "sipp (Debian's sip-tester) is not installed; scripts/setup installs it";
    linePort_ = FreeUdpPort();
    WriteConfig("");
    sip_test::WriteToneFile(folder_.Path("caller.wav"), kToneHz, 8, "u-law");
    sip_test::WriteToneFile(folder_.Path("short.wav"), 440, 0.5, "signed-integer");
  }

  void WriteConfig(const std::string &extra) {
    std::ofstream(Config()) << "log = " << Log()
                            << "\n[line]\nname = Desk\nlisten = 127.0.0.1:" << linePort_ << "\n"
                            << extra;
  }
  std::string Config() const { return folder_.Path("sip.conf").string(); }
  std::string Log() const { return folder_.Path("sip.log").string(); }
  std::string Line() const { return "127.0.0.1:" + std::to_string(linePort_); }
  fs::path Folder() const { return folder_.Path(""); }

  // Runs corvax-phone with `args` on this (main) thread while `peers` acts once the line is
  // open; if the program has not ended `kPhoneGrace` after the peers, Ctrl-C ends it.
  int Phone(std::vector<std::string> args, const std::function<void()> &peers) {
    args.insert(args.end(), {"--sip", Config()});
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread far([&] {
      WaitFor([] { return sim::TheExchange().OpenLineCount(0) > 0; }, kPeerSeconds);
      peers();
      std::unique_lock<std::mutex> lock(mutex);
      if (!ended.wait_for(lock, kPhoneGrace, [&] { return done; })) PressCtrlC();
    });
    const int status = Run(args);
    {
      std::lock_guard<std::mutex> lock(mutex);
      done = true;
    }
    ended.notify_all();
    far.join();
    return status;
  }

  int Answer(const std::function<void()> &peers) {
    return Phone({"answer", "--rings", "1", "--calls", "1", "--greeting",
                  folder_.Path("short.wav").string(), "--messages", Messages()},
                 peers);
  }

  // sipp as a caller of the line; its exit status.
  int Call(const std::string &scenario, int seconds = kPeerSeconds) {
    Peer caller(Sipp(scenario, Line(), FreeUdpPort(), seconds), Folder(), scenario);
    const int status = caller.Wait();
    if (status != 0) ADD_FAILURE() << scenario << ":\n" << caller.Output();
    return status;
  }

  int linePort_ = 0;
};

TEST_F(SipLine, ACallerLeavesAMessageThatHoldsTheirSound) {
  ASSERT_EQ(Answer([&] { Call("caller"); }), 0) << err_.str() << out_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  EXPECT_NEAR(audio_test::DominantFrequency(audio_test::ReadWave(files[0])), kToneHz,
              kToneHz * 0.03);
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("OnCallerIDEvent         caller: Alice Martin, 5550142"), std::string::npos)
      << shown;
  EXPECT_NE(shown.find("Recording ended (the caller hung up)"), std::string::npos) << shown;
  ExpectLineClosed();
}

TEST_F(SipLine, MalformedRequestsAreAnsweredAndTheLineServesTheNextCall) {
  ASSERT_EQ(Answer([&] {
              // Not SIP at all, then an INVITE whose SDP offers no codec of the line's, then
              // one whose SDP is not SDP: none may take the line down or leave a call behind.
              const int probe = FreeUdpPort();
              EXPECT_EQ(Probe(probe, linePort_, std::string("\x01\x02garbage\r\n\r\n", 13)), "");
              EXPECT_EQ(Probe(probe, linePort_,
                              Invite(probe, linePort_,
                                     "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\n"
                                     "c=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                                     "m=audio 4000 RTP/AVP 18\r\n")),
                        "SIP/2.0 488 Not Acceptable Here");
              EXPECT_EQ(Probe(probe, linePort_, Invite(probe, linePort_, "this is not a session")),
                        "SIP/2.0 488 Not Acceptable Here");
              Call("caller");
            }),
            0)
      << err_.str();
  EXPECT_EQ(WaveFilesIn(Messages()).size(), 1u) << out_.str();
  ExpectLineClosed();
}

TEST_F(SipLine, TheLinesAreListedWithTheirCapabilities) {
  sipnet::SipProvider provider(Config());
  provider.Install();
  TScriptedModalDriver driver;
  driver.Then(TUserAction::Escape());
  TModalDriverScope scope(driver);
  {
    TkwTAPI tapi(nullptr);
    ListDevices(tapi, "the SIP lines", out_);
  }
  const std::string shown = out_.str();
  for (const char *text :
       {"Line devices on the SIP lines: 1\n", "device 0: Desk\n", "provider: Corvax SIP\n",
        "media modes: interactive voice, automated voice\n", "max rate: 64000 bps\n",
        "call features: answer, drop, generate tone\n"})
    EXPECT_NE(shown.find(text), std::string::npos) << text << " in\n" << shown;
  ExpectLineClosed();
}

TEST_F(SipLine, ACallToALineNobodyHasOpenIsRefusedAtOnce) {
  sipnet::SipProvider provider(Config());
  const int probe = FreeUdpPort();
  EXPECT_EQ(Probe(probe, linePort_,
                  Invite(probe, linePort_,
                         "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\n"
                         "t=0 0\r\nm=audio 4000 RTP/AVP 0\r\n")),
            "SIP/2.0 480 Temporarily Unavailable");
  EXPECT_EQ(sim::TheExchange().LatestCall(0), 0u);
}

TEST_F(SipLine, ASecondCallerWhileACallIsUpIsToldBusy) {
  ASSERT_EQ(Answer([&] {
              Peer first(Sipp("caller", Line(), FreeUdpPort(), kPeerSeconds), Folder(), "first");
              WaitFor(
                  [] {
                    const auto call = sim::TheExchange().ActiveCall(0);
                    return call && sim::TheExchange().CallState(*call) == LINECALLSTATE_CONNECTED;
                  },
                  10);
              EXPECT_EQ(Call("second-caller"), 0);
              EXPECT_EQ(first.Wait(), 0) << first.Output();
            }),
            0)
      << err_.str();
  EXPECT_EQ(WaveFilesIn(Messages()).size(), 1u) << out_.str();
}

TEST_F(SipLine, ACallerWhoseSoundStopsIsHungUpOnAfterTheSilence) {
  ASSERT_EQ(Answer([&] { EXPECT_EQ(Call("caller-falls-silent"), 0); }), 0) << err_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  EXPECT_NEAR(audio_test::DominantFrequency(audio_test::ReadWave(files[0])), kToneHz,
              kToneHz * 0.03);
  EXPECT_NE(out_.str().find("Recording ended (the caller fell silent)"), std::string::npos)
      << out_.str();
  ExpectLineClosed();
}

TEST_F(SipLine, AnAnswerNeverAcknowledgedEndsTheCall) {
  // The answer is sent again and again for 32 seconds (SIP's transaction timeout) before the
  // call is given up.
  ASSERT_EQ(Phone({"answer", "--rings", "1", "--calls", "1", "--greeting",
                   folder_.Path("short.wav").string(), "--messages", Messages()},
                  [&] { EXPECT_EQ(Call("caller-never-acks", 50), 0); }),
            0)
      << err_.str();
  EXPECT_NE(out_.str().find("LINE_CALLSTATE: call"), std::string::npos);
  EXPECT_NE(component_test::ReadFile(Log()).find("ended by the network"), std::string::npos)
      << component_test::ReadFile(Log());
  ExpectLineClosed();
}

TEST_F(SipLine, ACallerWhoCancelsWhileItRingsLeavesNoCallBehind) {
  const int status = Phone({"answer", "--rings", "5", "--messages", Messages()}, [&] {
    EXPECT_EQ(Call("caller-cancels"), 0);
    // The call was never answered, so the machine waits for the next: stop it as a user would.
    const sim::CallId call = sim::TheExchange().LatestCall(0);
    WaitFor([&] { return sim::TheExchange().CallState(call) == LINECALLSTATE_IDLE; }, 10);
    PressCtrlC();
  });
  EXPECT_EQ(status, 130) << err_.str();
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("OnCallerIDEvent         caller: Carl Cancel, 5550111"), std::string::npos);
  EXPECT_NE(shown.find("disconnected"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("Answering"), std::string::npos) << shown;
  EXPECT_TRUE(WaveFilesIn(Messages()).empty());
  ExpectLineClosed();
}

TEST_F(SipLine, ALineWhoseRegistrarGoesAwayKeepsTakingCalls) {
  const int registrar = FreeUdpPort();
  Peer peer(Sipp("registrar-goes-away", "127.0.0.1:" + std::to_string(registrar), registrar, 20),
            Folder(), "registrar");
  WriteConfig("registrar = sip:127.0.0.1:" + std::to_string(registrar) +
              "\nuser = desk\npassword = s3cret-pass\n");
  ASSERT_EQ(Answer([&] {
              EXPECT_EQ(peer.Wait(), 0) << peer.Output();
              // The renewal goes unanswered until SIP's transaction timeout.
              WaitFor(
                  [&] {
                    return component_test::ReadFile(Log()).find("failed: Connection timed out") !=
                           std::string::npos;
                  },
                  60);
              Call("caller");
            }),
            0)
      << err_.str();
  const std::string log = component_test::ReadFile(Log());
  EXPECT_NE(log.find("registered with"), std::string::npos) << log;
  EXPECT_NE(log.find("failed: Connection timed out"), std::string::npos) << log;
  EXPECT_EQ(log.find("s3cret-pass"), std::string::npos);
  EXPECT_EQ(WaveFilesIn(Messages()).size(), 1u) << out_.str();
  ExpectLineClosed();
}

// baresip's configuration for a caller that sends `wave` (8 kHz, 16-bit) as its voice and
// keeps what it hears in the folder (dump-*-dec.wav).
void WriteBaresipConfig(const fs::path &folder, const fs::path &wave) {
  std::ofstream config(folder / "config");
  config << "poll_method epoll\n";
  config << "sip_listen 127.0.0.1:" << FreeUdpPort() << "\n";
  config << "audio_source aufile," << wave.string() << "\n";
  config << "module_path /usr/lib/baresip/modules\n";
  config << "module g711.so\nmodule aufile.so\nmodule sndfile.so\n";
  config << "snd_path " << folder.string() << "\n";
  config << "module_app account.so\nmodule_app menu.so\n";
  std::ofstream(folder / "accounts") << "\"Bea Resip\" <sip:5550123@127.0.0.1>;regint=0;"
                                        "audio_codecs=PCMA\n";
}

TEST_F(SipLine, BaresipCallsAndItsRecordingIsTheMessage) {
  if (!sip_test::Installed("baresip"))
    GTEST_SKIP() << "baresip is not installed; scripts/setup installs it";
  const fs::path config = folder_.Path("baresip");
  fs::create_directories(config);
  sip_test::WriteToneFile(config / "voice.wav", kToneHz, 4, "signed-integer");
  WriteBaresipConfig(config, config / "voice.wav");
  ASSERT_EQ(Answer([&] {
              // It hangs up when its file ends, and quits ten seconds after it started.
              Peer baresip({"timeout", std::to_string(kPeerSeconds), "baresip", "-f",
                            config.string(), "-t", "10", "-e", "/dial sip:desk@" + Line()},
                           config, "baresip");
              EXPECT_EQ(baresip.Wait(), 0) << baresip.Output();
            }),
            0)
      << err_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  EXPECT_NEAR(audio_test::DominantFrequency(audio_test::ReadWave(files[0])), kToneHz,
              kToneHz * 0.03);
  EXPECT_NE(out_.str().find("OnCallerIDEvent         caller: Bea Resip, 5550123"),
            std::string::npos)
      << out_.str();
  ExpectLineClosed();

  // The caller heard the greeting (440 Hz), then the beep (1 kHz).
  fs::path heard;
  for (const auto &entry : fs::directory_iterator(config))
    if (entry.path().filename().string().ends_with("-dec.wav")) heard = entry.path();
  ASSERT_FALSE(heard.empty()) << component_test::ReadFile(config / "baresip.out");
  const std::vector<double> tenths = audio_test::FrequencyPerTenth(audio_test::ReadWave(heard));
  const auto near = [](double hz) {
    return [hz](double f) { return std::abs(f - hz) < hz * 0.05; };
  };
  const auto greeting = std::find_if(tenths.begin(), tenths.end(), near(440));
  ASSERT_NE(greeting, tenths.end());
  EXPECT_NE(std::find_if(greeting, tenths.end(), near(kToneHz)), tenths.end());
}

struct TDialCase {
  const char *scenario;
  int status;
  std::vector<std::string> shown;  // in this order
};

class SipDial : public SipLine, public ::testing::WithParamInterface<TDialCase> {};

TEST_P(SipDial, TheCalledPartysAnswerEndsTheCallAsTheDialerExpects) {
  const TDialCase &c = GetParam();
  const int calleePort = FreeUdpPort();
  Peer callee(Sipp(c.scenario, Line(), calleePort, kPeerSeconds), Folder(), c.scenario);
  const std::string number = "sip:callee@127.0.0.1:" + std::to_string(calleePort);
  const int status = Phone({"dial", number, "--play", folder_.Path("short.wav").string()}, [] {});
  EXPECT_EQ(status, c.status) << err_.str() << out_.str();
  size_t at = 0;
  for (const std::string &text : c.shown) {
    at = out_.str().find(text, at);
    EXPECT_NE(at, std::string::npos) << text << " in\n" << out_.str();
  }
  EXPECT_EQ(callee.Wait(), 0) << callee.Output();
  ExpectLineClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Callees, SipDial,
    ::testing::Values(
        TDialCase{"callee-answers", 0, {" ringback", " connected", "Answered; playing"}},
        TDialCase{"callee-busy", 1, {" busy", " is busy."}},
        TDialCase{"callee-no-answer", 1, {" ringback", " disconnected", " idle"}}));

}  // namespace
