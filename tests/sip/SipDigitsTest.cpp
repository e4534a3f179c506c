// Touch tones on a SIP line, through the line functions (lineMonitorDigits,
// lineGenerateDigitsA) against callers on the loopback interface: our own caller pressing keys
// as RFC 4733 events (repeated, with extra end packets, in a flood), as tones in its sound
// (µ-law and A-law) and in INFO requests; sipp pressing keys; and the digits the line sends,
// as events or in the sound, heard by the caller. Calls run in real time.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <deque>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "dtmf/Detector.h"
#include "providers/sip/G711.h"
#include "providers/sip/SipProvider.h"
#include "tests/component/TestSupport.h"
#include "tests/sip/Caller.h"
#include "tests/sip/Peer.h"
#include "tests/support/AudioSignals.h"
#include "tests/support/Waits.h"

namespace {

using sip_test::CallerReport;
using sip_test::CallerScript;
using sip_test::FreeUdpPort;
using sip_test::FreeUdpPorts;

constexpr int kCallerSeconds = 30;
constexpr DWORD kMessageWaitMs = 15000;
// How long the line is watched for a digit that must not come: the packets that could make
// one arrived before, within a frame or two.
constexpr DWORD kQuietMs = 500;
constexpr DWORD kBothEdges = LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND;

// The digits LINE_MONITORDIGITS reported: as each began and as each ended.
struct Digits {
  std::string begun;
  std::string ended;
};

// Our caller on a thread of its own, for as long as the test needs it.
class CallerThread {
 public:
  CallerThread(const std::string &line, CallerScript script)
      : script_(std::move(script)),
        thread_([this, line] { report_ = sip_test::CallAndSpeak(line, script_, kCallerSeconds); }) {
  }
  ~CallerThread() { Join(); }
  // Once the call is over.
  const CallerReport &Report() {
    Join();
    return report_;
  }

 private:
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  CallerScript script_;
  CallerReport report_;
  std::thread thread_;
};

class SipDigits : public ::testing::Test {
 protected:
  void SetUp() override {
    linePort_ = FreeUdpPort();
    std::ofstream(folder_.Path("sip.conf")) << "log = " << folder_.Path("sip.log").string()
                                            << "\n[line]\nname = Desk\nlisten = " << Line() << "\n";
    provider_ = std::make_unique<sipnet::SipProvider>(folder_.Path("sip.conf").string());
    ASSERT_EQ(provider_->StartError(), 0) << provider_->StartReason();
    provider_->Install();
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    DWORD devices = 0;
    DWORD version = 0x00020000;
    ASSERT_EQ(lineInitializeExA(&app_, 0, nullptr, "SIP digits", &devices, &version, &params), 0);
    ASSERT_EQ(lineOpenA(app_, 0, &line_, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
                        LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
              0);
  }

  void TearDown() override {
    if (app_ != 0) lineShutdown(app_);
    provider_.reset();
  }

  std::string Line() const { return "127.0.0.1:" + std::to_string(linePort_); }
  std::string Log() const { return component_test::ReadFile(folder_.Path("sip.log")); }

  // The next message `id` within `milliseconds`; the others on the way wait for their turn.
  std::optional<LINEMESSAGE> Next(DWORD id, DWORD milliseconds = kMessageWaitMs) {
    for (auto at = backlog_.begin(); at != backlog_.end(); ++at) {
      if (at->dwMessageID != id) continue;
      const LINEMESSAGE message = *at;
      backlog_.erase(at);
      return message;
    }
    const DWORD giveUp = GetTickCount() + milliseconds;
    LINEMESSAGE message{};
    for (DWORD now = GetTickCount(); now <= giveUp; now = GetTickCount()) {
      if (lineGetMessage(app_, &message, giveUp - now) != 0) break;
      if (message.dwMessageID == id) return message;
      backlog_.push_back(message);
    }
    return std::nullopt;
  }

  // Answers the call offered to the line; its handle once it is connected, or 0.
  HCALL Answer() {
    const auto offered = Next(LINE_APPNEWCALL);
    if (!offered) {
      ADD_FAILURE() << "no call was offered\n" << Log();
      return 0;
    }
    const auto call = static_cast<HCALL>(offered->dwParam2);
    EXPECT_GT(lineAnswer(call, nullptr, 0), 0);
    while (const auto state = Next(LINE_CALLSTATE)) {
      if (state->dwParam1 == LINECALLSTATE_CONNECTED) return call;
    }
    ADD_FAILURE() << "the call never connected\n" << Log();
    return 0;
  }

  // The digits of the next `count` LINE_MONITORDIGITS messages (fewer when they stop coming),
  // each checked for its call and mode.
  Digits Heard(HCALL call, size_t count, DWORD milliseconds = kMessageWaitMs) {
    Digits digits;
    for (size_t i = 0; i < count; ++i) {
      const auto message = Next(LINE_MONITORDIGITS, milliseconds);
      if (!message) break;
      EXPECT_EQ(message->hDevice, call);
      const char digit = static_cast<char>(message->dwParam1 & 0xFF);
      EXPECT_TRUE(message->dwParam2 == LINEDIGITMODE_DTMF ||
                  message->dwParam2 == LINEDIGITMODE_DTMFEND)
          << message->dwParam2;
      (message->dwParam2 == LINEDIGITMODE_DTMF ? digits.begun : digits.ended) += digit;
    }
    return digits;
  }

  void Drop(HCALL call) {
    EXPECT_GT(lineDrop(call, nullptr, 0), 0);
    Next(LINE_CALLSTATE, 2000);
  }

  component_test::TScratchFolder folder_;
  int linePort_ = 0;
  std::unique_ptr<sipnet::SipProvider> provider_;
  HLINEAPP app_ = 0;
  HLINE line_ = 0;
  std::deque<LINEMESSAGE> backlog_;
};

TEST_F(SipDigits, TheLineAdvertisesBothEdgesAndGeneratesDtmf) {
  LINEDEVCAPS caps{};
  caps.dwTotalSize = sizeof caps;
  ASSERT_EQ(lineGetDevCapsA(app_, 0, 0x00020000, 0, &caps), 0);
  EXPECT_EQ(caps.dwMonitorDigitModes, kBothEdges);
  EXPECT_EQ(caps.dwGenerateDigitModes, static_cast<DWORD>(LINEDIGITMODE_DTMF));
}

// --- Keys the caller presses -----------------------------------------------------------------

struct TKeysCase {
  const char *name;
  bool events;
  sipnet::Codec codec;
  std::string keys;
  uint32_t toneMs = 100;
  uint32_t gapMs = 60;
  int copies = 1;
  int endPackets = 3;
  size_t floodPerFrame = 0;
};

// Its name in ctest's listing, in place of the case's bytes.
void PrintTo(const TKeysCase &c, std::ostream *out) {
  *out << c.name;
}

std::string Flood(size_t count) {
  std::string keys;
  for (size_t i = 0; i < count; ++i) keys += "0123456789*#ABCD"[i % 16];
  return keys;
}

class SipKeys : public SipDigits, public ::testing::WithParamInterface<TKeysCase> {};

TEST_P(SipKeys, EachKeyIsOneDigitInOrderAsItBeginsAndEnds) {
  const TKeysCase &c = GetParam();
  std::atomic<bool> monitored = false;
  CallerScript script;
  script.beforeBeep = audio_test::Sweep(300, 3300, 8, 4000);
  script.codec = c.codec;
  script.offerEvents = c.events;
  script.keys = c.keys;
  script.toneMs = c.toneMs;
  script.gapMs = c.gapMs;
  script.copies = c.copies;
  script.endPackets = c.endPackets;
  script.floodPerFrame = c.floodPerFrame;
  script.ready = [&] { return monitored.load(); };
  CallerThread caller(Line(), script);
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  // What the line hears while the keys come: the caller's sweep goes on under them.
  HWAVEIN recorder = 0;
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
  ASSERT_EQ(waveInOpen(&recorder, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  std::vector<int16_t> recorded(3 * 8000);
  WAVEHDR buffer{};
  buffer.lpData = reinterpret_cast<LPSTR>(recorded.data());
  buffer.dwBufferLength = static_cast<DWORD>(recorded.size() * 2);
  ASSERT_EQ(waveInPrepareHeader(recorder, &buffer, sizeof buffer), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(recorder, &buffer, sizeof buffer), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInStart(recorder), MMSYSERR_NOERROR);
  ASSERT_EQ(lineMonitorDigits(call, kBothEdges), 0);
  monitored = true;

  const Digits heard = Heard(call, 2 * c.keys.size());
  EXPECT_EQ(heard.begun, c.keys);
  EXPECT_EQ(heard.ended, c.keys);
  EXPECT_FALSE(Next(LINE_MONITORDIGITS, kQuietMs)) << "and no more";

  EXPECT_TRUE(test_support::YieldUntil([&] { return (buffer.dwFlags & WHDR_DONE) != 0; },
                                       "the recording to end"));
  waveInReset(recorder);
  waveInUnprepareHeader(recorder, &buffer, sizeof buffer);
  waveInClose(recorder);
  Drop(call);
  EXPECT_TRUE(caller.Report().keysSent) << caller.Report().trouble;
  if (!c.events) return;  // the tones are in the sound itself
  // The sweep, sample by sample through G.711 and the playout, from the recording's first
  // quarter second on (the call's first packets may still be on their way at its start).
  const auto tail = std::span(recorded).subspan(2000);
  const auto found = audio_test::Align(script.beforeBeep, tail.first(4000));
  EXPECT_GT(found.correlation, 0.9);
  const size_t whole = std::min(tail.size(), script.beforeBeep.size() - found.offset);
  EXPECT_GT(audio_test::Correlation(tail.first(whole),
                                    std::span(script.beforeBeep).subspan(found.offset, whole)),
            0.9)
      << "the caller's sound was heard whole while the events came";
}

INSTANTIATE_TEST_SUITE_P(
    Presses, SipKeys,
    ::testing::Values(TKeysCase{"Events", true, sipnet::Codec::Pcmu, "159#*0ABCD"},
                      TKeysCase{"EventsTwiceWithFiveEndPackets", true, sipnet::Codec::Pcma, "2468",
                                100, 60, 2, 5},
                      TKeysCase{"ShortEventsAndGaps", true, sipnet::Codec::Pcmu, "3*7#", 40, 40},
                      TKeysCase{"AThousandEventsASecond", true, sipnet::Codec::Pcmu, Flood(1000), 0,
                                0, 2, 1, 20},
                      TKeysCase{"InTheSoundMuLaw", false, sipnet::Codec::Pcmu, "123#", 80, 80},
                      TKeysCase{"InTheSoundALaw", false, sipnet::Codec::Pcma, "*90D", 60, 60}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SipDigits, OnlyTheEdgesMonitoredAreReported) {
  std::atomic<bool> monitored = false;
  CallerScript script;
  script.offerEvents = true;
  script.keys = "5#";
  script.ready = [&] { return monitored.load(); };
  CallerThread caller(Line(), script);
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  ASSERT_EQ(lineMonitorDigits(call, LINEDIGITMODE_DTMFEND), 0);
  monitored = true;
  const Digits heard = Heard(call, 2);
  EXPECT_EQ(heard.begun, "");
  EXPECT_EQ(heard.ended, "5#");
  EXPECT_FALSE(Next(LINE_MONITORDIGITS, kQuietMs)) << "and no beginnings";
  Drop(call);
}

TEST_F(SipDigits, KeysBeforeTheCallIsMonitoredAreDroppedNotKeptForLater) {
  std::atomic<bool> connected = false;
  std::atomic<bool> sent = false;
  CallerScript script;
  script.offerEvents = true;
  script.keys = "12";
  script.ready = [&] { return connected.load(); };
  script.sentAll = [&] { sent = true; };
  CallerThread caller(Line(), script);
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  connected = true;
  ASSERT_TRUE(test_support::YieldUntil([&] { return sent.load(); }, "the caller's keys"));
  ASSERT_FALSE(Next(LINE_MONITORDIGITS, kQuietMs));
  ASSERT_EQ(lineMonitorDigits(call, kBothEdges), 0);
  EXPECT_FALSE(Next(LINE_MONITORDIGITS, kQuietMs)) << "nothing was kept";
  Drop(call);
}

TEST_F(SipDigits, InfoDtmfRelayIsADigitAndOtherBodiesAreRefused) {
  std::atomic<bool> monitored = false;
  CallerScript script;
  script.infos = {{"application/dtmf-relay", "Signal=5\r\nDuration=160\r\n"},
                  {"application/json", "{\"key\": 5}"},
                  {"application/dtmf-relay", "Signal=11\r\nDuration=250\r\n"},
                  {"application/dtmf-relay", "Signal=Z\r\n"},
                  {"application/dtmf-relay", std::string(3000, '=')},
                  {"", ""}};
  script.ready = [&] { return monitored.load(); };
  CallerThread caller(Line(), script);
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  ASSERT_EQ(lineMonitorDigits(call, kBothEdges), 0);
  monitored = true;
  const Digits heard = Heard(call, 4);
  EXPECT_EQ(heard.begun, "5#");
  EXPECT_EQ(heard.ended, "5#");
  EXPECT_FALSE(Next(LINE_MONITORDIGITS, kQuietMs));
  Drop(call);
  EXPECT_EQ(caller.Report().infoAnswers, (std::vector<int>{200, 415, 200, 400, 400, 200}));
}

TEST_F(SipDigits, SippsKeysArriveAsDigits) {
  if (!sip_test::Installed("sipp"))
    GTEST_SKIP() << "sipp (Debian's sip-tester) is not installed; scripts/setup installs it";
  sip_test::Peer sipp(sip_test::Sipp("caller-presses-keys", Line(), FreeUdpPort(), kCallerSeconds),
                      folder_.Path(""), "sipp");
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  // sipp waits a second and a half before its keys.
  ASSERT_EQ(lineMonitorDigits(call, kBothEdges), 0);
  const Digits heard = Heard(call, 8);
  EXPECT_EQ(heard.begun, "159#") << Log();
  EXPECT_EQ(heard.ended, "159#");
  EXPECT_EQ(sipp.Wait(), 0) << sipp.Output();
  EXPECT_FALSE(Next(LINE_MONITORDIGITS, 0)) << "and no more";
}

// baresip's configuration for a party at `port` whose console listens on `console`, with
// `account` its account line; it sends silence.
void WriteBaresipConfig(const std::filesystem::path &folder, int port, int console,
                        const std::string &account) {
  audio_test::WriteWave(folder / "quiet.wav", audio_test::Samples(8 * 8000));
  std::ofstream config(folder / "config");
  config << "poll_method epoll\nsip_listen 127.0.0.1:" << port << "\n";
  config << "audio_source aufile," << (folder / "quiet.wav").string() << "\n";
  config << "module_path /usr/lib/baresip/modules\nmodule g711.so\nmodule aufile.so\n";
  config << "module cons.so\ncons_listen 127.0.0.1:" << console << "\n";
  config << "module_app account.so\nmodule_app menu.so\n";
  std::ofstream(folder / "accounts") << account << "\n";
}

// Sends a console command to baresip.
void Command(int console, const std::string &command) {
  const int probe = FreeUdpPort();
  (void)sip_test::Probe(probe, console, command + "\n");
}

TEST_F(SipDigits, BaresipsKeysArriveAsDigits) {
  if (!sip_test::Installed("baresip"))
    GTEST_SKIP() << "baresip is not installed; scripts/setup installs it";
  const auto config = folder_.Path("baresip");
  std::filesystem::create_directories(config);
  const int console = FreeUdpPort();
  WriteBaresipConfig(config, FreeUdpPorts(sip_test::kBaresipSipPorts), console,
                     "\"Bea Resip\" <sip:5550123@127.0.0.1>;regint=0;audio_codecs=PCMA");
  sip_test::Peer baresip({"timeout", std::to_string(kCallerSeconds), "baresip", "-f",
                          config.string(), "-t", "20", "-e", "/dial sip:desk@" + Line()},
                         config, "baresip");
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  ASSERT_EQ(lineMonitorDigits(call, kBothEdges), 0);
  Command(console, "/sndcode 27#");
  const Digits heard = Heard(call, 6);
  EXPECT_EQ(heard.begun, "27#") << baresip.Output();
  EXPECT_EQ(heard.ended, "27#");
  Drop(call);
}

TEST_F(SipDigits, BaresipHearsTheDigitsTheLineSends) {
  if (!sip_test::Installed("baresip"))
    GTEST_SKIP() << "baresip is not installed; scripts/setup installs it";
  const auto config = folder_.Path("baresip");
  std::filesystem::create_directories(config);
  const int port = FreeUdpPorts(sip_test::kBaresipSipPorts);
  WriteBaresipConfig(config, port, FreeUdpPort(),
                     "<sip:callee@127.0.0.1>;regint=0;answermode=auto;audio_codecs=PCMU");
  sip_test::Peer baresip(
      {"timeout", std::to_string(kCallerSeconds), "baresip", "-f", config.string(), "-t", "20"},
      config, "baresip");
  ASSERT_TRUE(test_support::YieldUntil(
      [&] { return baresip.Output().find("baresip is ready") != std::string::npos; },
      "baresip to be ready"));
  HCALL call = 0;
  const std::string callee = "sip:callee@127.0.0.1:" + std::to_string(port);
  ASSERT_GT(lineMakeCallA(line_, &call, callee.c_str(), 0, nullptr), 0);
  std::optional<LINEMESSAGE> state;
  while ((state = Next(LINE_CALLSTATE)) && state->dwParam1 != LINECALLSTATE_CONNECTED) {
  }
  ASSERT_TRUE(state) << "the call never connected\n" << Log();
  EXPECT_EQ(lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "4*0D", 0), 0);
  const auto done = Next(LINE_GENERATE);
  ASSERT_TRUE(done);
  EXPECT_EQ(done->dwParam1, static_cast<DWORD>(LINEGENERATETERM_DONE));
  ASSERT_TRUE(test_support::YieldUntil(
      [&] { return baresip.Output().find("received event: 'D' (end=1)") != std::string::npos; },
      "baresip to hear the last digit end"));
  Drop(call);
  const std::string output = baresip.Output();
  size_t at = 0;
  for (const char digit : std::string("4*0D")) {
    for (const char *end : {"0", "1"}) {
      const std::string line = std::string("received event: '") + digit + "' (end=" + end + ")";
      const size_t found = output.find(line, at);
      EXPECT_NE(found, std::string::npos) << line << " in\n" << output;
      if (found == std::string::npos) continue;
      EXPECT_EQ(output.find(line, found + 1), std::string::npos) << line << " once";
      at = found;
    }
  }
}

// --- Digits the line sends -------------------------------------------------------------------

// The caller's events grouped by their timestamp, in order.
std::vector<std::vector<sip_test::HeardEvent>> ByEvent(
    const std::vector<sip_test::HeardEvent> &all) {
  std::vector<std::vector<sip_test::HeardEvent>> events;
  for (const auto &packet : all) {
    if (events.empty() || events.back().front().timestamp != packet.timestamp)
      events.emplace_back();
    events.back().push_back(packet);
  }
  return events;
}

TEST_F(SipDigits, GeneratedDigitsGoAsEventsWithTheirDurationsAndEndPackets) {
  CallerScript script;
  script.offerEvents = true;
  CallerThread caller(Line(), script);
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  EXPECT_EQ(lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "9,#", 0), 0);
  const auto done = Next(LINE_GENERATE);
  ASSERT_TRUE(done) << "LINE_GENERATE";
  EXPECT_EQ(done->dwParam1, static_cast<DWORD>(LINEGENERATETERM_DONE));
  Drop(call);
  const auto events = ByEvent(caller.Report().events);
  ASSERT_EQ(events.size(), 2u);
  for (size_t e = 0; e < events.size(); ++e) {
    const auto &packets = events[e];
    ASSERT_EQ(packets.size(), 7u) << "100 ms: four packets and three end packets";
    EXPECT_EQ(packets[0].event.code, e == 0 ? 9 : 11);
    for (size_t p = 0; p < packets.size(); ++p) {
      EXPECT_EQ(packets[p].marker, p == 0) << p;
      EXPECT_EQ(packets[p].event.end, p >= 4) << p;
      EXPECT_EQ(packets[p].event.duration, std::min<size_t>(p + 1, 5) * 160) << p;
    }
  }
  // The digit's tone and gap (100 ms each), then the pause's two seconds.
  EXPECT_EQ(events[1][0].timestamp - events[0][0].timestamp, (200u + 2000u) * 8);
}

TEST_F(SipDigits, NewDigitsCancelThoseInProgressWhichEndAtOnce) {
  CallerScript script;
  script.offerEvents = true;
  CallerThread caller(Line(), script);
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  EXPECT_EQ(lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "1234", 1000), 0);
  EXPECT_EQ(lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "5", 40), 0);
  const auto cancelled = Next(LINE_GENERATE);
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(cancelled->dwParam1, static_cast<DWORD>(LINEGENERATETERM_CANCEL));
  const auto done = Next(LINE_GENERATE);
  ASSERT_TRUE(done);
  EXPECT_EQ(done->dwParam1, static_cast<DWORD>(LINEGENERATETERM_DONE));
  EXPECT_EQ(lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "6789", 1000), 0);
  Drop(call);
  const auto dropped = Next(LINE_GENERATE);
  ASSERT_TRUE(dropped) << "the call's end cancels its digits";
  EXPECT_EQ(dropped->dwParam1, static_cast<DWORD>(LINEGENERATETERM_CANCEL));
  std::string codes;
  for (const auto &event : ByEvent(caller.Report().events)) {
    codes += sipnet::DigitOfEvent(event.front().event.code);
    // A tone the hang-up cut short ends with the call.
    if (codes.back() != '6') {
      EXPECT_TRUE(event.back().event.end) << codes.back() << " ended";
    }
  }
  // The 1 may have begun before the 5 replaced it; nothing after the 5 but the 6 may have.
  EXPECT_TRUE(codes == "5" || codes == "15" || codes == "56" || codes == "156") << codes;
}

class SipDigitsInTheSound : public SipDigits,
                            public ::testing::WithParamInterface<sipnet::Codec> {};

TEST_P(SipDigitsInTheSound, APeerWithoutEventsHearsTheDigitsAsTones) {
  CallerScript script;
  script.codec = GetParam();
  CallerThread caller(Line(), script);
  const HCALL call = Answer();
  ASSERT_NE(call, 0u);
  EXPECT_EQ(lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "48*C", 80), 0);
  const auto done = Next(LINE_GENERATE);
  ASSERT_TRUE(done);
  EXPECT_EQ(done->dwParam1, static_cast<DWORD>(LINEGENERATETERM_DONE));
  Drop(call);
  const CallerReport &report = caller.Report();
  EXPECT_TRUE(report.events.empty());
  dtmf::Detector detector;
  std::string heard;
  std::vector<uint64_t> begins;
  std::vector<uint64_t> ends;
  for (const auto &edge : detector.Feed(report.heard)) {
    if (!edge.ended) heard += edge.digit;
    (edge.ended ? ends : begins).push_back(edge.sample);
  }
  EXPECT_EQ(heard, "48*C");
  ASSERT_EQ(begins.size(), ends.size());
  for (size_t i = 0; i < begins.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(ends[i] - begins[i]), 80 * 8, 20 * 8) << "an 80 ms tone";
    if (i > 0) {
      EXPECT_NEAR(static_cast<double>(begins[i] - begins[i - 1]), 160 * 8, 20 * 8)
          << "each 80 ms after the last ended";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Laws, SipDigitsInTheSound,
                         ::testing::Values(sipnet::Codec::Pcmu, sipnet::Codec::Pcma),
                         [](const auto &info) {
                           return std::string(sipnet::CodecName(info.param));
                         });

}  // namespace
