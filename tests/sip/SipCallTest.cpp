// corvax-phone on a SIP line, run in process, with real SIP peers on the loopback interface:
// sipp scenarios as callers and called parties, and baresip calling the answering machine.
// Calls run in real time (RTP is paced by the wall clock), so each test takes a few seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
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
#include "tests/sip/Caller.h"
#include "tests/sip/Peer.h"
#include "tests/sip/Secure.h"
#include "tests/support/AudioSignals.h"

namespace {

namespace fs = std::filesystem;
using sip_test::FreeUdpPort;
using sip_test::FreeUdpPorts;
using sip_test::Invite;
using sip_test::kBaresipSipPorts;
using sip_test::Peer;
using sip_test::Probe;
using sip_test::Sipp;

// What the callers say and what the line plays: sweeps, so that every stretch is told apart.
// The greeting stays clear of the beep's 1 kHz, which a caller listens for.
const audio_test::Samples kVoice = audio_test::Sweep(300, 3300, 8);
const audio_test::Samples kGreeting = audio_test::Sweep(1500, 3000, 0.5);
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

class SipLine : public phone_test::PhoneHost {
 protected:
  void SetUp() override {
    if (!sip_test::Installed("sipp"))
      GTEST_SKIP() << "sipp (Debian's sip-tester) is not installed; scripts/setup installs it";
    linePort_ = FreeUdpPort();
    WriteConfig("");
    ASSERT_TRUE(
        audio_test::WriteWave(folder_.Path("caller.wav"), kVoice, audio_test::Encoding::MuLaw));
    ASSERT_TRUE(audio_test::WriteWave(folder_.Path("short.wav"), kGreeting));
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

  // sipp as a caller of the line from `host`; its exit status.
  int Call(const std::string &scenario, int seconds = kPeerSeconds,
           const std::string &host = "127.0.0.1") {
    Peer caller(Sipp(scenario, Line(), FreeUdpPort(), seconds, "desk", host), Folder(), scenario);
    const int status = caller.Wait();
    if (status != 0) ADD_FAILURE() << scenario << ":\n" << caller.Output();
    return status;
  }

  // The message is one stretch of `said`, through G.711; none of it was said before the
  // greeting (`saidFrom` into `said`) had been played to the caller.
  static void ExpectStretchSaidAfterTheGreeting(const audio_test::Samples &message,
                                                const audio_test::Samples &said, size_t saidFrom) {
    ASSERT_GT(message.size(), 2 * audio_test::kTenth);
    // Placed by up to a second of it: a short stretch of a slow sweep matches a period away too.
    const auto head = audio_test::Align(
        said, std::span(message).first(std::min<size_t>(message.size(), audio_test::kRate)));
    EXPECT_GT(head.correlation, 0.9) << "the message begins with what was said";
    EXPECT_GE(head.offset, saidFrom + kGreeting.size()) << "said after the greeting and beep";
    const size_t whole = std::min(message.size(), said.size() - head.offset);
    EXPECT_GT(audio_test::Correlation(std::span(message).first(whole),
                                      std::span(said).subspan(head.offset, whole)),
              0.9)
        << "and goes on with it, sample by sample";
  }

  int linePort_ = 0;
};

TEST_F(SipLine, ACallerLeavesAMessageThatHoldsTheirSound) {
  ASSERT_EQ(Answer([&] { Call("caller"); }), 0) << err_.str() << out_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  // sipp speaks from the moment the call is up.
  ExpectStretchSaidAfterTheGreeting(audio_test::ReadWave(files[0]), kVoice, 0);
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("OnCallerIDEvent         caller: Alice Martin, 5550142"), std::string::npos)
      << shown;
  EXPECT_NE(shown.find("Recording ended (the caller hung up)"), std::string::npos) << shown;
  ExpectLineClosed();
}

TEST_F(SipLine, AnUpdateInTheCallIsAnsweredAsAReInviteIsAndTheMessageGoesOn) {
  ASSERT_EQ(Answer([&] { Call("caller-updates"); }), 0) << err_.str() << out_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  ExpectStretchSaidAfterTheGreeting(audio_test::ReadWave(files[0]), kVoice, 0);
  ExpectLineClosed();
}

TEST_F(SipLine, ACallerFromAnAcceptedAddressLeavesAMessageWhileAScannerFloodsTheLine) {
  WriteConfig("accept_from = 127.0.0.2\n");
  // 1000 INVITEs at 500 a second from 127.0.0.1, each refused: 403 within the rate, else 503.
  // (bench/sip-flood floods harder; here the busy machine must still carry the call's sound.)
  std::vector<std::string> flood = Sipp("invite-flood", Line(), FreeUdpPort(), kPeerSeconds);
  *(std::find(flood.begin(), flood.end(), "-m") + 1) = "1000";
  flood.insert(flood.end(), {"-r", "500", "-l", "500"});
  const auto floodSeen = [&] {
    return component_test::ReadFile(Log()).find("INVITE from 127.0.0.1 beyond the rate: 503") !=
           std::string::npos;
  };
  ASSERT_EQ(Answer([&] {
              Peer scanner(flood, Folder(), "scanner");
              EXPECT_TRUE(WaitFor(floodSeen, kPeerSeconds)) << "the flood began";
              Call("caller", kPeerSeconds, "127.0.0.2");
              EXPECT_EQ(scanner.Wait(), 0) << scanner.Output();
            }),
            0)
      << err_.str() << out_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  ExpectStretchSaidAfterTheGreeting(audio_test::ReadWave(files[0]), kVoice, 0);
  EXPECT_NE(out_.str().find("Recording ended (the caller hung up)"), std::string::npos)
      << out_.str();
  ExpectLineClosed();
}

// A caller of our own says a sweep in one band until it hears the beep, one in another band
// after it and one in a third last, then hangs up at once: the message holds none of the
// first, all of the second and third each in its place, and nothing after.
struct TCallerCase {
  const char *name;
  bool newSourceAfterBeep;
  double loss;
  bool behindNat = false;  // heard only when the line sends where its RTP comes from
};

class SipCaller : public SipLine, public ::testing::WithParamInterface<TCallerCase> {};

enum class Band { None, BeforeBeep, AfterBeep, Last };

Band BandOf(double hz) {
  if (hz > 280 && hz < 520) return Band::BeforeBeep;
  if (hz > 1250 && hz < 2350) return Band::AfterBeep;
  if (hz > 2550 && hz < 3450) return Band::Last;
  return Band::None;
}

// How many 20 ms windows of the message may pass before the caller's reaction to the beep is
// in it: the beep goes out on the line's next frame and the caller starts on its next. The
// sanitizers slow every thread several-fold, and the caller reacts later.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr size_t kReactionWindows = 4;
#else
constexpr size_t kReactionWindows = 2;
#endif

TEST_P(SipCaller, TheMessageHoldsWhatWasSaidFromTheBeepToTheLastWord) {
  constexpr size_t kWindow = 160;  // 20 ms
  sip_test::CallerScript script;
  script.beforeBeep = audio_test::Sweep(300, 500, 20);
  script.afterBeep = audio_test::Sweep(1300, 2300, 2);
  script.last = audio_test::Sweep(2600, 3400, 2);
  script.newSourceAfterBeep = GetParam().newSourceAfterBeep;
  script.loss = GetParam().loss;
  script.behindNat = GetParam().behindNat;
  sip_test::CallerReport report;
  ASSERT_EQ(Answer([&] { report = sip_test::CallAndSpeak(Line(), script, kPeerSeconds); }), 0)
      << err_.str();
  ASSERT_TRUE(report.answered) << report.trouble;
  EXPECT_FALSE(report.hungUpOn) << out_.str();
  EXPECT_NE(report.beepHeardAt, SIZE_MAX) << "the caller heard the beep";
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  EXPECT_NE(out_.str().find("Recording ended (the caller hung up)"), std::string::npos)
      << out_.str();
  const auto message = audio_test::ReadWave(files[0]);

  // In 20 ms windows: where each sweep is, told by its band. A window concealed through loss
  // may read as another band, so a sweep is where three windows in a row say so.
  std::vector<Band> bands;
  for (double hz : audio_test::FrequencyPer(message, kWindow)) bands.push_back(BandOf(hz));
  ASSERT_GT(bands.size(), 10u);
  const auto run = [&](size_t at, Band band) {
    return at + 3 <= bands.size() && std::all_of(bands.begin() + at, bands.begin() + at + 3,
                                                 [&](Band b) { return b == band; });
  };
  const auto first = [&](Band band) {
    size_t at = 0;
    while (at < bands.size() && !run(at, band)) ++at;
    return at;
  };
  const auto last = [&](Band band) {  // the end of the last run
    size_t end = bands.size();
    while (end >= 3 && !run(end - 3, band)) --end;
    return end;
  };
  EXPECT_EQ(std::count(bands.begin() + kReactionWindows, bands.end(), Band::BeforeBeep), 0)
      << "nothing said before the beep";
  const size_t afterBeep = first(Band::AfterBeep);
  EXPECT_LE(afterBeep, kReactionWindows) << "from the beep on";
  const size_t lastWords = first(Band::Last);
  EXPECT_NEAR(static_cast<double>(lastWords),
              static_cast<double>(afterBeep + script.afterBeep.size() / kWindow), 2)
      << "all of what was said after the beep";
  EXPECT_LE(last(Band::AfterBeep), lastWords + 1) << "in order";
  EXPECT_GE(last(Band::Last) + 2, bands.size()) << "up to the last word, within 40 ms";
  EXPECT_NEAR(
      static_cast<double>(message.size()),
      static_cast<double>(afterBeep * kWindow + script.afterBeep.size() + script.last.size()),
      2.0 * kWindow)
      << "and nothing after";
  if (GetParam().loss > 0) return;
  // Without loss, the samples themselves.
  const auto said = audio_test::Concat({script.afterBeep, script.last});
  EXPECT_TRUE(
      audio_test::BeginsWith(message, said, audio_test::Path::Lossy, kReactionWindows * kWindow));
  EXPECT_TRUE(audio_test::EndsWith(message, said, audio_test::Path::Lossy, kWindow));
  // Placed by a whole second of it: a short stretch of a slow sweep matches a period away too,
  // and the first samples after the beep are smoothed into what came before.
  const size_t second = audio_test::kRate;
  const auto found = audio_test::Align(message, std::span(said).subspan(second, second));
  ASSERT_GE(found.offset, second);
  const size_t start = found.offset - second;
  ASSERT_LE(start + said.size(), message.size() + kWindow);
  const size_t whole = std::min(said.size(), message.size() - start);
  EXPECT_GT(audio_test::Correlation(std::span(message).subspan(start, whole),
                                    std::span(said).first(whole)),
            0.9)
      << "said and heard, sample by sample through G.711";
}

INSTANTIATE_TEST_SUITE_P(Callers, SipCaller,
                         ::testing::Values(TCallerCase{"Plain", false, 0},
                                           TCallerCase{"NewSourceBehind", true, 0},
                                           TCallerCase{"FivePercentLost", false, 0.05},
                                           TCallerCase{"TwentyPercentLost", false, 0.2},
                                           TCallerCase{"BehindNat", false, 0, true}),
                         [](const auto &info) { return std::string(info.param.name); });

// Behind a static NAT the line names its public address where peers reach it, and still
// carries the call: its media follows the caller's.
TEST_F(SipLine, APublicAddressIsWhatTheAnswerNames) {
  WriteConfig("public_address = 203.0.113.7\n");
  sip_test::CallerScript script;
  script.beforeBeep = audio_test::Sweep(300, 500, 20);
  script.afterBeep = audio_test::Sweep(1300, 2300, 1);
  script.behindNat = true;
  sip_test::CallerReport report;
  ASSERT_EQ(Answer([&] { report = sip_test::CallAndSpeak(Line(), script, kPeerSeconds); }), 0)
      << err_.str();
  ASSERT_TRUE(report.answered) << report.trouble;
  const std::string port = std::to_string(linePort_);
  EXPECT_NE(report.answer.find("\r\nContact: <sip:corvax@203.0.113.7:" + port + ">"),
            std::string::npos)
      << report.answer;
  EXPECT_NE(report.answer.find("\r\nc=IN IP4 203.0.113.7\r\n"), std::string::npos) << report.answer;
  const std::string sdp = report.answer.substr(report.answer.find("\r\n\r\n"));
  EXPECT_EQ(sdp.find("127.0.0.1"), std::string::npos) << "the private address stays out: " << sdp;
  EXPECT_NE(report.beepHeardAt, SIZE_MAX) << "the caller heard the beep";
  ASSERT_EQ(WaveFilesIn(Messages()).size(), 1u) << out_.str();
}

// A line behind a NAT has its answers sent where its requests came from: they ask so (rport).
TEST_F(SipLine, RequestsAskForTheirAnswersWhereTheyCameFrom) {
  using sip_test::Header;
  const int calleePort = FreeUdpPort();
  std::string invite;
  const int status =
      Phone({"dial", "sip:callee@127.0.0.1:" + std::to_string(calleePort), "--play",
             folder_.Path("short.wav").string()},
            [&] {
              invite = sip_test::ReceiveAndReply(calleePort, [](const std::string &r) {
                return "SIP/2.0 486 Busy Here\r\nVia: " + Header(r, "Via") +
                       "\r\nFrom: " + Header(r, "From") + "\r\nTo: " + Header(r, "To") +
                       ";tag=busy\r\nCall-ID: " + Header(r, "Call-ID") +
                       "\r\nCSeq: " + Header(r, "CSeq") + "\r\nContent-Length: 0\r\n\r\n";
              });
            });
  ASSERT_EQ(invite.rfind("INVITE sip:callee@", 0), 0u) << invite;
  EXPECT_NE((Header(invite, "Via") + ";").find(";rport;"), std::string::npos) << invite;
  EXPECT_EQ(status, 1) << "told busy by the answer sent back to the request's source\n"
                       << out_.str();
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
        "call features: answer, drop, generate digits, generate tone, monitor digits\n"})
    EXPECT_NE(shown.find(text), std::string::npos) << text << " in\n" << shown;
  ExpectLineClosed();
}

TEST_F(SipLine, ACallToALineNobodyHasOpenIsRefusedAtOnce) {
  sipnet::SipProvider provider(Config());
  const int probe = FreeUdpPort();
  EXPECT_EQ(Probe(probe, linePort_, Invite(probe, linePort_, sip_test::kPcmuOffer)),
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
  const auto message = audio_test::ReadWave(files[0]);
  const auto head = audio_test::Align(kVoice, std::span(message).first(audio_test::kTenth));
  EXPECT_GT(head.correlation, 0.9) << "the message begins with what was said";
  EXPECT_GE(head.offset, kGreeting.size()) << "after the greeting and beep";
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

// baresip's configuration for a party at `port` that sends `wave` (8 kHz, 16-bit) as its
// voice and keeps what it hears in the folder (dump-*-dec.wav); `account` is its account line,
// `extra` more configuration lines.
void WriteBaresipConfig(const fs::path &folder, int port, const fs::path &wave,
                        const std::string &account, const std::string &extra = "") {
  std::ofstream config(folder / "config");
  config << "poll_method epoll\n";
  config << "sip_listen 127.0.0.1:" << port << "\n";
  config << "audio_source aufile," << wave.string() << "\n";
  config << "module_path /usr/lib/baresip/modules\n";
  config << "module g711.so\nmodule aufile.so\nmodule sndfile.so\n";
  config << "snd_path " << folder.string() << "\n";
  config << "module_app account.so\nmodule_app menu.so\n" << extra;
  std::ofstream(folder / "accounts") << account << "\n";
}

// What baresip heard, as its decoder gave it; nothing until it has closed the file.
audio_test::Samples HeardBy(const fs::path &folder) {
  for (const auto &entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().ends_with("-dec.wav"))
      return audio_test::ReadWave(entry.path());
  return {};
}

TEST_F(SipLine, BaresipCallsAndItsRecordingIsTheMessage) {
  if (!sip_test::Installed("baresip"))
    GTEST_SKIP() << "baresip is not installed; scripts/setup installs it";
  const fs::path config = folder_.Path("baresip");
  fs::create_directories(config);
  const auto voice = audio_test::Sweep(400, 3000, 4);
  ASSERT_TRUE(audio_test::WriteWave(config / "voice.wav", voice));
  WriteBaresipConfig(config, FreeUdpPorts(kBaresipSipPorts), config / "voice.wav",
                     "\"Bea Resip\" <sip:5550123@127.0.0.1>;regint=0;audio_codecs=PCMA");
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
  // baresip speaks from the moment the call is up.
  ExpectStretchSaidAfterTheGreeting(audio_test::ReadWave(files[0]), voice, 0);
  EXPECT_NE(out_.str().find("OnCallerIDEvent         caller: Bea Resip, 5550123"),
            std::string::npos)
      << out_.str();
  ExpectLineClosed();

  // The caller heard the greeting whole, then nothing until the line's beep (the component
  // closes the wave-out device in its own time before it records).
  const auto heard = HeardBy(config);
  ASSERT_FALSE(heard.empty()) << component_test::ReadFile(config / "baresip.out");
  const auto greeting = audio_test::Align(heard, kGreeting);
  EXPECT_GT(greeting.correlation, 0.9) << "the greeting, sample by sample through G.711";
  const size_t after = greeting.offset + kGreeting.size();
  const auto windows = audio_test::FrequencyPer(std::span(heard).subspan(after), 160);
  const auto beep = std::find_if(windows.begin(), windows.end(),
                                 [](double hz) { return std::abs(hz - audio_test::kBeepHz) < 30; });
  ASSERT_NE(beep, windows.end()) << "no beep after the greeting";
  const size_t beepAt = after + static_cast<size_t>(beep - windows.begin()) * 160;
  EXPECT_LT(beepAt - after, 3000u * 8) << "the beep follows the greeting";
  EXPECT_LT(audio_test::Rms(std::span(heard).subspan(after, beepAt - after)), 100)
      << "and nothing else does";
  EXPECT_TRUE(audio_test::Dominant(std::span(heard).subspan(beepAt, 2000), audio_test::kBeepHz))
      << "for its 300 ms";
}

TEST_F(SipLine, ADialledPartyHearsThePlayedFileWhole) {
  if (!sip_test::Installed("baresip"))
    GTEST_SKIP() << "baresip is not installed; scripts/setup installs it";
  const fs::path config = folder_.Path("baresip");
  fs::create_directories(config);
  ASSERT_TRUE(audio_test::WriteWave(config / "quiet.wav", audio_test::Samples(8000)));
  const int calleePort = FreeUdpPorts(kBaresipSipPorts);
  WriteBaresipConfig(config, calleePort, config / "quiet.wav",
                     "<sip:callee@127.0.0.1>;regint=0;answermode=auto;audio_codecs=PCMU");
  Peer baresip({"timeout", std::to_string(kPeerSeconds), "baresip", "-f", config.string()}, config,
               "baresip");
  const std::string number = "sip:callee@127.0.0.1:" + std::to_string(calleePort);
  ASSERT_TRUE(phone_test::WaitUntil(
      [&] {
        return component_test::ReadFile(config / "baresip.out").find("baresip is ready") !=
               std::string::npos;
      },
      "baresip to be ready"));
  EXPECT_EQ(Phone({"dial", number, "--play", folder_.Path("short.wav").string()}, [] {}), 0)
      << err_.str() << out_.str();
  audio_test::Samples heard;
  phone_test::WaitUntil([&] { return (heard = HeardBy(config)).size() >= kGreeting.size(); },
                        "baresip to close what it heard");
  const auto played = audio_test::Align(heard, kGreeting);
  EXPECT_GT(played.correlation, 0.9) << "the whole file, sample by sample through G.711";
  ExpectLineClosed();
}

struct TDialCase {
  const char *scenario;
  int status;
  std::vector<std::string> shown;  // in this order
  const char *config = "";         // the line's settings beyond its name and address
};

class SipDial : public SipLine, public ::testing::WithParamInterface<TDialCase> {};

TEST_P(SipDial, TheCalledPartysAnswerEndsTheCallAsTheDialerExpects) {
  const TDialCase &c = GetParam();
  WriteConfig(c.config);
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
        TDialCase{"callee-no-answer", 1, {" ringback", " disconnected", " idle"}},
        TDialCase{"callee-challenges",
                  0,
                  {" ringback", " connected", "Answered; playing"},
                  "user = desk\npassword = secret\n"},
        TDialCase{"callee-proxy-challenges",
                  0,
                  {" ringback", " connected", "Answered; playing"},
                  "user = desk\npassword = secret\n"}));

TEST_F(SipLine, ACallerOverTcpLeavesAMessageThatHoldsTheirSound) {
  WriteConfig("transport = tcp\n");
  ASSERT_EQ(Answer([&] {
              auto args = Sipp("caller", Line(), FreeUdpPort(), kPeerSeconds);
              args.insert(args.end(), {"-t", "t1"});
              Peer caller(args, Folder(), "caller");
              EXPECT_EQ(caller.Wait(), 0) << caller.Output();
            }),
            0)
      << err_.str() << out_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  ExpectStretchSaidAfterTheGreeting(audio_test::ReadWave(files[0]), kVoice, 0);
  ExpectLineClosed();
}

// Lines over TLS with SRTP media, against baresip (its srtp module) both ways, with a
// certificate authority of the test's own.
class SipSecureLine : public SipLine {
 protected:
  void SetUp() override {
    SipLine::SetUp();
    if (IsSkipped()) return;
    if (!sip_test::Installed("baresip"))
      GTEST_SKIP() << "baresip is not installed; scripts/setup installs it";
    const std::string trouble = sip_test::MakeCertificates(Folder());
    if (!trouble.empty()) GTEST_SKIP() << trouble;
    capture_ = std::make_unique<sip_test::RtpCapture>();
    if (!capture_->Error().empty()) GTEST_SKIP() << capture_->Error();
  }

  // The line on TLS with its certificate, verifying its peers against `authority`.
  void WriteSecureConfig(const std::string &encryption, const std::string &authority = "ca") {
    WriteConfig("transport = tls\ntls_cert = " + Pem("line.crt") +
                "\ntls_key = " + Pem("line.key") + "\ntls_ca = " + Pem(authority + ".crt") +
                "\nmedia_encryption = " + encryption + "\n");
  }
  std::string Pem(const std::string &name) const { return folder_.Path(name).string(); }
  std::string BaresipTls() const {
    return "sip_certificate " + Pem("peer.pem") + "\nsip_cafile " + Pem("ca.crt") +
           "\nmodule srtp.so\n";
  }

  // baresip answering over TLS (with `mediaenc`, "" for none) from `config`, once it is ready;
  // the number that reaches it, "" when it never became ready.
  std::string StartTlsCallee(const fs::path &config, const std::string &mediaenc) {
    fs::create_directories(config);
    EXPECT_TRUE(audio_test::WriteWave(config / "quiet.wav", audio_test::Samples(8000)));
    const int calleePort = FreeUdpPorts(kBaresipSipPorts);
    WriteBaresipConfig(config, calleePort, config / "quiet.wav",
                       "<sip:callee@127.0.0.1;transport=tls>;regint=0;answermode=auto;" +
                           (mediaenc.empty() ? "" : "mediaenc=" + mediaenc + ";") +
                           "audio_codecs=PCMU",
                       BaresipTls());
    callee_ =
        std::make_unique<Peer>(std::vector<std::string>{"timeout", std::to_string(kPeerSeconds),
                                                        "baresip", "-f", config.string()},
                               config, "baresip");
    const bool ready = phone_test::WaitUntil(
        [&] {
          return component_test::ReadFile(config / "baresip.out").find("baresip is ready") !=
                 std::string::npos;
        },
        "baresip to be ready");
    // baresip takes TLS one port above its others.
    return ready ? "sip:callee@127.0.0.1:" + std::to_string(calleePort + 1) + ";transport=tls" : "";
  }

  // Every flow of the line's RTP (to or from the port baresip's log names as the line's) holds
  // none of `said` as plain G.711 µ-law; at least `flows` of them were long enough to tell.
  // Other programs' RTP on the loopback is left alone.
  void ExpectNoPlainSound(const fs::path &baresip, const audio_test::Samples &said, size_t flows) {
    const std::string log = component_test::ReadFile(baresip / "baresip.out");
    const std::string from = "receiving from 127.0.0.1:";
    const size_t at = log.find(from);
    ASSERT_NE(at, std::string::npos) << "baresip names no RTP source:\n" << log;
    const auto port = static_cast<uint16_t>(std::stoi(log.substr(at + from.size())));
    size_t told = 0;
    for (const auto &[flow, bytes] : capture_->Stop()) {
      // A second of it at least, to be told.
      if ((flow.first != port && flow.second != port) || bytes.size() < audio_test::kRate) continue;
      ++told;
      const auto decoded = sip_test::DecodedMuLaw(bytes, Folder());
      EXPECT_LT(audio_test::Align(decoded, std::span(said).first(
                                               std::min<size_t>(said.size(), audio_test::kRate)))
                    .correlation,
                0.3)
          << "plain sound from port " << flow.first << " to " << flow.second;
    }
    EXPECT_GE(told, flows) << "RTP flows of the line captured";
  }

  std::unique_ptr<sip_test::RtpCapture> capture_;
  std::unique_ptr<Peer> callee_;
};

// The line's media_encryption, and baresip's: srtp-mand offers RTP/SAVP, srtp its keys with
// plain RTP/AVP.
struct TSrtpCase {
  const char *name;
  const char *line;
  const char *baresip;
};

class SipSrtpCaller : public SipSecureLine, public ::testing::WithParamInterface<TSrtpCase> {};

TEST_P(SipSrtpCaller, BaresipCallsOverTlsWithSrtpAndTheMessageHoldsItsSound) {
  WriteSecureConfig(GetParam().line);
  const fs::path config = folder_.Path("baresip");
  fs::create_directories(config);
  const auto voice = audio_test::Sweep(400, 3000, 4);
  ASSERT_TRUE(audio_test::WriteWave(config / "voice.wav", voice));
  WriteBaresipConfig(config, FreeUdpPorts(kBaresipSipPorts), config / "voice.wav",
                     "\"Bea Resip\" <sip:5550123@127.0.0.1;transport=tls>;regint=0;mediaenc=" +
                         std::string(GetParam().baresip) + ";audio_codecs=PCMU",
                     BaresipTls());
  ASSERT_EQ(Answer([&] {
              Peer baresip(
                  {"timeout", std::to_string(kPeerSeconds), "baresip", "-f", config.string(), "-t",
                   "10", "-e", "/dial sip:desk@" + Line() + ";transport=tls"},
                  config, "baresip");
              EXPECT_EQ(baresip.Wait(), 0) << baresip.Output();
            }),
            0)
      << err_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str() << component_test::ReadFile(Log());
  ExpectStretchSaidAfterTheGreeting(audio_test::ReadWave(files[0]), voice, 0);
  EXPECT_NE(component_test::ReadFile(Log()).find("connected (PCMU, SRTP)"), std::string::npos)
      << component_test::ReadFile(Log());
  ExpectNoPlainSound(config, voice, 2);
  ExpectLineClosed();
}

INSTANTIATE_TEST_SUITE_P(Encryptions, SipSrtpCaller,
                         ::testing::Values(TSrtpCase{"Mandatory", "srtp-mandatory", "srtp-mand"},
                                           TSrtpCase{"OptionalTakesSavp", "srtp", "srtp-mand"},
                                           TSrtpCase{"OptionalTakesKeysWithAvp", "srtp", "srtp"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(SipSecureLine, ADialledPartyOverTlsWithSrtpHearsThePlayedFileWhole) {
  WriteSecureConfig("srtp-mandatory");
  const fs::path config = folder_.Path("baresip");
  const std::string number = StartTlsCallee(config, "srtp-mand");
  ASSERT_NE(number, "") << "baresip to be ready";
  EXPECT_EQ(Phone({"dial", number, "--play", folder_.Path("short.wav").string()}, [] {}), 0)
      << err_.str() << out_.str() << component_test::ReadFile(Log());
  audio_test::Samples heard;
  phone_test::WaitUntil([&] { return (heard = HeardBy(config)).size() >= kGreeting.size(); },
                        "baresip to close what it heard");
  EXPECT_GT(audio_test::Align(heard, kGreeting).correlation, 0.9)
      << "the whole file, sample by sample through SRTP and G.711";
  ExpectNoPlainSound(config, kGreeting, 1);
  ExpectLineClosed();
}

TEST_F(SipSecureLine, APeerWhoseCertificateNoAuthorityOfTheLinesVouchesForIsNotCalled) {
  WriteSecureConfig("srtp", "stranger");
  const fs::path config = folder_.Path("baresip");
  const std::string number = StartTlsCallee(config, "");
  ASSERT_NE(number, "") << "baresip to be ready";
  EXPECT_EQ(Phone({"dial", number, "--play", folder_.Path("short.wav").string()}, [] {}), 1)
      << err_.str() << out_.str();
  EXPECT_EQ(component_test::ReadFile(config / "baresip.out").find("Incoming call"),
            std::string::npos)
      << "the INVITE never reached it";
  ExpectLineClosed();
}

TEST_F(SipSecureLine, AnOfferWithoutKeysIsRefusedWhereSrtpIsMandatory) {
  WriteSecureConfig("srtp-mandatory");
  const fs::path config = folder_.Path("baresip");
  fs::create_directories(config);
  ASSERT_TRUE(audio_test::WriteWave(config / "quiet.wav", audio_test::Samples(8000)));
  WriteBaresipConfig(config, FreeUdpPorts(kBaresipSipPorts), config / "quiet.wav",
                     "<sip:5550123@127.0.0.1;transport=tls>;regint=0;audio_codecs=PCMU",
                     BaresipTls());
  // The answering machine waits for a call that never comes, until the caller has its answer.
  Answer([&] {
    Peer baresip({"timeout", std::to_string(kPeerSeconds), "baresip", "-f", config.string(), "-e",
                  "/dial sip:desk@" + Line() + ";transport=tls"},
                 config, "baresip");
    EXPECT_TRUE(phone_test::WaitUntil(
        [&] {
          return component_test::ReadFile(config / "baresip.out").find("488 Not Acceptable Here") !=
                 std::string::npos;
        },
        "baresip to be refused with 488", std::chrono::seconds(kPeerSeconds)))
        << component_test::ReadFile(config / "baresip.out");
    PressCtrlC();
  });
  EXPECT_TRUE(WaveFilesIn(Messages()).empty());
  EXPECT_NE(component_test::ReadFile(Log()).find("no SRTP key the line can use"), std::string::npos)
      << component_test::ReadFile(Log());
}

}  // namespace
