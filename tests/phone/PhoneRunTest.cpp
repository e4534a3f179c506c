// corvax-phone run in process against the simulated exchange, with a fast clock: the demo's
// two callers end to end, Ctrl-C during a recording, a dialled call, and bad input.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "Clock.h"
#include "examples/Interrupt.h"
#include "examples/Phone.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Operation.h"
#include "tests/component/TestSupport.h"
#include "tests/phone/PhoneHost.h"
#include "tests/support/AudioSignals.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 8000;

struct TSound {
  int format = 0;
  int channels = 0;
  int rate = 0;
  sf_count_t frames = -1;
};

TSound ReadSound(const std::string &path) {
  SF_INFO info{};
  SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  sf_close(file);
  return {info.format, info.channels, info.samplerate, info.frames};
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string &line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  return fields;
}

using phone_test::WaveFilesIn;

// The far end's waits, bounded: a program that never gets there fails the test (Ctrl-C ends
// it) instead of hanging it.
bool Await(const std::function<bool()> &done, const char *what) {
  if (phone_test::WaitUntil(done, what)) return true;
  PressCtrlC();
  return false;
}

// The program's line is open and reports rings: a ring sent before then reaches nobody.
void AwaitLineTakingCalls() {
  Await(
      [] {
        return sim::TheExchange().OpenLineCount(0) > 0 &&
               sim::OperationJournal().Count("lineSetStatusMessages") > 0;
      },
      "the line to take calls");
}

void AwaitIdle(sim::CallId call) {
  Await([call] { return sim::TheExchange().CallState(call) == LINECALLSTATE_IDLE; },
        "the call to end");
}

// Rings line 0 as a telephone does, again and again, until the call is answered.
void RingUntilAnswered(sim::CallId call) {
  DWORD rings = 0;
  Await(
      [&] {
        if (sim::TheExchange().CallState(call) != LINECALLSTATE_OFFERING) return true;
        sim::TheExchange().Ring(0, ++rings);
        Sleep(100);
        return false;
      },
      "the machine to answer");
}

class PhoneRun : public phone_test::PhoneHost {
 protected:
  void SetUp() override { win32::SetTimeScale(50); }
  void TearDown() override {
    win32::SetTimeScale(1.0);
    win32::ClearFileWriteFaults();
  }
};

TEST_F(PhoneRun, TheDemoSavesAlicesMessageAndNothingForBob) {
  // Alice speaks 1.5 s (virtual) after the beep; at this scale that is 150 ms of real time for
  // the recorder to start its device, however busy the machine.
  win32::SetTimeScale(10);
  ASSERT_EQ(Run({"answer", "--demo", "--calls", "2", "--messages", Messages()}), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");
  EXPECT_TRUE(notices_.Notices().empty());
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  const std::string name = files[0].filename().string();
  EXPECT_NE(name.find("-5550142.wav"), std::string::npos);

  // As an independent reader sees it: the line's format, and Alice's speech sample for
  // sample from its first word to its last, after no more than her pause after the beep and
  // followed by the silence she fell into until the end of that second's buffer.
  const TSound saved = ReadSound(files[0].string());
  EXPECT_EQ(saved.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(saved.channels, 1);
  EXPECT_EQ(saved.rate, kRate);
  const auto message = audio_test::ReadWave(files[0]);
  const auto speech = audio_test::ReadWave(CORVAX_SPEECH_DIR "/caller-alice.wav");
  ASSERT_FALSE(speech.empty());
  const auto spoke = audio_test::Find(message, speech);
  ASSERT_TRUE(spoke) << "Alice's whole speech in the message of " << message.size() << " samples";
  const size_t pause = (sim::Exchange::kDefaultBeepMs + sim::FarEndAudio::kReactionMs) * 8;
  EXPECT_LE(*spoke, pause) << "the recording started with the beep";
  EXPECT_GT(*spoke, 0u);
  const auto before = std::span(message).first(*spoke);
  EXPECT_LT(*std::max_element(before.begin(), before.end()), 700) << "only her line's noise";
  const auto after = std::span(message).subspan(*spoke + speech.size());
  EXPECT_LT(after.size(), static_cast<size_t>(kRate));
  EXPECT_EQ(audio_test::Rms(after), 0) << "then silence";

  const auto index = Lines(component_test::ReadFile(fs::path(Messages()) / "index.txt"));
  ASSERT_EQ(index.size(), 1u);
  const auto fields = Fields(index[0]);
  ASSERT_EQ(fields.size(), 5u) << index[0];
  EXPECT_EQ(fields[1], "Alice Martin");
  EXPECT_EQ(fields[2], "5550142");
  EXPECT_NEAR(std::stod(fields[3]), static_cast<double>(saved.frames) / kRate, 0.05);
  EXPECT_EQ(fields[4], name);
  EXPECT_GT(fs::file_size(fs::path(Messages()) / "corvax-phone.log"), 0u);

  const std::string shown = out_.str();
  EXPECT_NE(shown.find("OnCallerIDEvent         caller: Alice Martin, 5550142"), std::string::npos);
  EXPECT_NE(shown.find("OnCallerIDEvent         caller: Bob Stone, 5550199"), std::string::npos);
  EXPECT_NE(shown.find("Recording ended (the caller fell silent): message of"), std::string::npos);
  EXPECT_NE(shown.find("recording: 1 s"), std::string::npos);
  EXPECT_NE(shown.find("Summary: 2 call(s), 1 message(s) saved"), std::string::npos);
  ExpectLineClosed();
}

TEST_F(PhoneRun, CtrlCDuringARecordingKeepsThePartialMessageAndClosesTheLine) {
  win32::SetTimeScale(component_test::LiveCallerTimeScale(50));
  // Carol talks from the moment she calls, through the greeting and on.
  const auto said = audio_test::Sweep(300, 3000, 60);
  std::thread caller([&] {
    sim::Exchange &exchange = sim::TheExchange();
    // The program sets the exchange up before it opens the line.
    AwaitLineTakingCalls();
    const sim::CallId call = exchange.OfferCall(0, {.caller = {"Carol", "5550100"}});
    sim::Audio().Send(0, said);
    RingUntilAnswered(call);
    // Ctrl-C once the message holds two whole seconds.
    const bool recorded = Await(
        [&] {
          const auto files = WaveFilesIn(Messages());
          return !files.empty() && fs::file_size(files[0]) >= 46 + 2 * 2 * kRate;
        },
        "two seconds of the message on disk");
    if (recorded) {
      PressCtrlC();
      AwaitIdle(call);
    }
  });
  const int status = Run({"answer", "--rings", "1", "--messages", Messages()});
  caller.join();
  EXPECT_EQ(status, 130) << err_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  const TSound saved = ReadSound(files[0].string());
  EXPECT_EQ(saved.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(saved.rate, kRate);
  const auto message = audio_test::ReadWave(files[0]);
  EXPECT_GE(message.size(), 2u * kRate);
  // One stretch of what she said, none of it from before the beep: the greeting was played
  // to her first.
  const auto at = audio_test::Find(said, message);
  ASSERT_TRUE(at) << "the message is what Carol said, sample for sample";
  const auto greeting = audio_test::ReadWave(CORVAX_SPEECH_DIR "/greeting.wav");
  EXPECT_GE(*at, greeting.size()) << "said " << *at / 8 << " ms after she called";
  const auto index = Lines(component_test::ReadFile(fs::path(Messages()) / "index.txt"));
  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(Fields(index[0]).back(), files[0].filename().string());
  EXPECT_NE(out_.str().find("Recording ended (Ctrl-C stopped the recording)"), std::string::npos);
  ExpectLineClosed();
}

// What the line has played so far, across its calls.
size_t PlayedOnLine0() {
  return sim::Audio().Played(sim::TheExchange().WaveOutId(0).value_or(0)).size();
}

// Waits until the caller has heard a second of the greeting, `before` samples having been
// played on the line before it.
bool AwaitGreetingHeard(size_t before = 0) {
  return Await([before] { return PlayedOnLine0() >= before + kRate; }, "a second of the greeting");
}

TEST_F(PhoneRun, ACallerWhoHangsUpDuringTheGreetingFreesTheLineAtOnce) {
  // A slower clock than the others: the greeting's remaining five seconds are more than two
  // real ones, far more than the machine needs to stop it however busy the machine is.
  win32::SetTimeScale(2);
  const size_t greeting = audio_test::ReadWave(CORVAX_SPEECH_DIR "/greeting.wav").size();
  ASSERT_GT(greeting, 4u * kRate);
  std::vector<size_t> heardWhenAnswered;
  std::thread callers([&] {
    sim::Exchange &exchange = sim::TheExchange();
    AwaitLineTakingCalls();
    for (const char *number : {"5550161", "5550162"}) {
      const sim::CallId call = exchange.OfferCall(0, {.caller = {"Gil", number}});
      RingUntilAnswered(call);
      heardWhenAnswered.push_back(PlayedOnLine0());
      if (!AwaitGreetingHeard(heardWhenAnswered.back())) return;
      exchange.HangUp(call);
      AwaitIdle(call);
    }
  });
  const int status = Run({"answer", "--rings", "1", "--calls", "2", "--messages", Messages()});
  callers.join();
  EXPECT_EQ(status, 0) << err_.str();
  // The first greeting ended with the hang-up: the second call was answered long before the
  // rest of it would have been played.
  ASSERT_EQ(heardWhenAnswered.size(), 2u);
  EXPECT_LT(heardWhenAnswered[1], greeting - 2 * kRate);
  const std::string shown = out_.str();
  EXPECT_EQ(shown.find("could not be played"), std::string::npos) << shown;
  EXPECT_NE(shown.find("The greeting was stopped."), std::string::npos) << shown;
  EXPECT_NE(shown.find("The caller hung up during the greeting: no message."), std::string::npos);
  EXPECT_NE(shown.find("Summary: 2 call(s), 0 message(s) saved"), std::string::npos);
  EXPECT_TRUE(notices_.Notices().empty());
  ExpectLineClosed();
}

TEST_F(PhoneRun, CtrlCDuringTheGreetingStopsItAndEndsTheProgram) {
  win32::SetTimeScale(2);
  const size_t greeting = audio_test::ReadWave(CORVAX_SPEECH_DIR "/greeting.wav").size();
  sim::CallId call = 0;
  std::thread caller([&] {
    AwaitLineTakingCalls();
    call = sim::TheExchange().OfferCall(0, {.caller = {"Hal", "5550163"}});
    RingUntilAnswered(call);
    if (AwaitGreetingHeard()) PressCtrlC();
  });
  const int status = Run({"answer", "--rings", "1", "--messages", Messages()});
  caller.join();
  EXPECT_EQ(status, 130) << err_.str();
  EXPECT_LT(PlayedOnLine0(), greeting - 2 * kRate);
  EXPECT_EQ(sim::TheExchange().CallState(call), LINECALLSTATE_IDLE) << "the call was dropped";
  EXPECT_NE(out_.str().find("The greeting was stopped."), std::string::npos) << out_.str();
  EXPECT_TRUE(WaveFilesIn(Messages()).empty());
  ExpectLineClosed();
}

TEST_F(PhoneRun, DialPlaysTheAnnouncementWhenTheFarEndAnswers) {
  ASSERT_EQ(Run({"dial", "5550123"}), 0) << err_.str();
  const auto announcement = audio_test::ReadWave(CORVAX_SPEECH_DIR "/announcement.wav");
  ASSERT_FALSE(announcement.empty());
  EXPECT_EQ(sim::Audio().Played(0), announcement) << "the called party heard it all, in order";
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("LINE_CALLSTATE: call"), std::string::npos);
  EXPECT_NE(shown.find("Answered; playing"), std::string::npos);
  EXPECT_NE(shown.find("Hanging up"), std::string::npos);
  ExpectLineClosed();
}

TEST_F(PhoneRun, CallersWhoSayNothingLeaveNoMessage) {
  std::thread callers([&] {
    sim::Exchange &exchange = sim::TheExchange();
    AwaitLineTakingCalls();
    // The first one gives up after one ring, before the machine answers on the second.
    sim::CallId call = exchange.OfferCall(0, {.caller = {"Dan", "5550111"}});
    exchange.Ring(0, 1);
    exchange.HangUp(call);
    Await([&] { return exchange.CallHandleCount() == 0; }, "the first call's handle to go");
    // The second one stays on in silence until the machine hangs up.
    call = exchange.OfferCall(0, {.caller = {"Eve", "5550122"}});
    RingUntilAnswered(call);
    AwaitIdle(call);
  });
  const int status = Run({"answer", "--rings", "2", "--calls", "2", "--messages", Messages()});
  callers.join();
  EXPECT_EQ(status, 0) << err_.str();
  EXPECT_TRUE(WaveFilesIn(Messages()).empty());
  EXPECT_FALSE(fs::exists(fs::path(Messages()) / "index.txt"));
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("The caller hung up before the machine answered."), std::string::npos);
  EXPECT_NE(shown.find("Recording ended (the caller fell silent): nothing was said, no message."),
            std::string::npos);
  EXPECT_NE(shown.find("Summary: 2 call(s), 0 message(s) saved"), std::string::npos);
  // No index was written, so none is named.
  EXPECT_EQ(shown.find("index"), std::string::npos);
  ExpectLineClosed();
}

TEST_F(PhoneRun, ADiskThatFillsKeepsTheSecondsWrittenAndSaysSoOnce) {
  CORVAX_REQUIRE_FILE_WRITE_FAULTS();
  // Room for two seconds of the recording (16000 bytes each) and its header, not three.
  win32::FillDiskAfter(2 * 16000 + 3 * 46 + 1000);
  std::thread caller([&] {
    sim::Exchange &exchange = sim::TheExchange();
    AwaitLineTakingCalls();
    const sim::CallId call = exchange.OfferCall(0, {.caller = {"Fay", "5550133"}});
    // A quiet line until the caller speaks: digital silence would end the recording at once.
    // Long enough for a slow machine, on which the greeting ends many clock seconds late.
    sim::Audio().Send(0, sim::ToneSound(250, 300, 300));
    exchange.SayAfterBeep(call, sim::ToneSound(440, 30));
    exchange.Ring(0, 1);
    AwaitIdle(call);
  });
  const int status = Run({"answer", "--rings", "1", "--calls", "1", "--messages", Messages()});
  caller.join();
  EXPECT_EQ(status, 0) << err_.str();

  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  EXPECT_EQ(ReadSound(files[0].string()).frames, 2 * kRate);
  const auto index = Lines(component_test::ReadFile(fs::path(Messages()) / "index.txt"));
  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(Fields(index[0])[3], "2.0");
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("The recording failed ("), std::string::npos) << shown;
  EXPECT_NE(shown.find("): the 2.0 s written before are kept as " + files[0].string()),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("Summary: 1 call(s), 1 message(s) saved"), std::string::npos);
  // A failure repeated for every buffer is told once.
  std::set<std::string> texts;
  for (const auto &notice : notices_.Notices())
    EXPECT_TRUE(texts.insert(notice.text).second) << "told twice: " << notice.text;
  ExpectLineClosed();
}

TEST_F(PhoneRun, CtrlCWhileWaitingEndsTheProgram) {
  std::thread user([&] {
    // Ctrl-C is watched for before the line is opened.
    AwaitLineTakingCalls();
    PressCtrlC();
  });
  const int status = Run({"answer", "--messages", Messages()});
  user.join();
  EXPECT_EQ(status, 130) << err_.str();
  EXPECT_NE(out_.str().find("Summary: 0 call(s), 0 message(s) saved"), std::string::npos);
  ExpectLineClosed();
}

TEST_F(PhoneRun, HelpListsTheExitStatuses) {
  EXPECT_EQ(Run({"--help"}), 0);
  const std::string shown = out_.str();
  for (const char *status : {"0 done", "1 the work failed", "2 bad input", "130 stopped by Ctrl-C"})
    EXPECT_NE(shown.find(status), std::string::npos) << status;
}

struct TBadRun {
  std::vector<std::string> args;
  std::string error;  // with {dir} for the test's folder
};

class PhoneRunRefuses : public PhoneRun, public ::testing::WithParamInterface<TBadRun> {};

TEST_P(PhoneRunRefuses, WithOneLineAndStatus2) {
  std::ofstream(folder_.Path("text.wav")) << "not a sound";
  std::ofstream(folder_.Path("form.wav")) << std::string("RIFF\x04\0\0\0AVI ", 12);
  std::vector<std::string> args;
  const std::string dir = folder_.Path("").string();
  auto expand = [&](std::string text) {
    for (size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, dir);
    return text;
  };
  for (const auto &arg : GetParam().args) args.push_back(expand(arg));
  EXPECT_EQ(Run(args), 2);
  EXPECT_EQ(err_.str(), "corvax-phone: " + expand(GetParam().error) + "\n");
  EXPECT_TRUE(notices_.Notices().empty());
  ExpectLineClosed();
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, PhoneRunRefuses,
    ::testing::Values(
        TBadRun{{"answer", "--greeting", "{dir}none.wav", "--messages", "{dir}m"},
                "file '{dir}none.wav' not found; give an existing WAV file with --greeting"},
        TBadRun{{"answer", "--greeting", "{dir}text.wav", "--messages", "{dir}m"},
                "'{dir}text.wav' is not a WAV file; give a WAV file with --greeting"},
        TBadRun{{"answer", "--greeting", "{dir}form.wav", "--messages", "{dir}m"},
                "'{dir}form.wav' is not a WAV file; give a WAV file with --greeting"},
        TBadRun{{"answer", "--messages", "{dir}text.wav/m"},
                "cannot write to the messages folder '{dir}text.wav/m' (Not a directory); "
                "choose another one with --messages"},
        TBadRun{{"answer", "--device", "3", "--messages", "{dir}m"},
                "line device 3 does not exist (there are 3, numbered 0 to 2); list them with: "
                "corvax-phone devices"},
        TBadRun{{"dial", "5551234", "--device", "9"},
                "line device 9 does not exist (there are 3, numbered 0 to 2); list them with: "
                "corvax-phone devices"},
        TBadRun{{"dial", "5551234", "--play", "{dir}text.wav"},
                "'{dir}text.wav' is not a WAV file; give a WAV file with --play"},
        TBadRun{{"answer", "--greeting", CORVAX_PHONE_FIXTURES "/alaw.wav", "--messages", "{dir}m"},
                "'" CORVAX_PHONE_FIXTURES "/alaw.wav' holds A-law sound (8000 Hz, 1 channel, 8 "
                "bits), which the line cannot play; give a PCM WAV file, such as the line's own "
                "8 kHz 16-bit mono, with --greeting"},
        TBadRun{{"dial", "5551234", "--play", CORVAX_PHONE_FIXTURES "/float.wav"},
                "'" CORVAX_PHONE_FIXTURES "/float.wav' holds floating-point sound (8000 Hz, 1 "
                "channel, 32 bits), which the line cannot play; give a PCM WAV file, such as the "
                "line's own 8 kHz 16-bit mono, with --play"},
        TBadRun{{"answer", "--log", "{dir}none/phone.log", "--messages", "{dir}m"},
                "cannot write the debug log '{dir}none/phone.log' (No such file or directory); "
                "choose another file with --log"},

        TBadRun{{"answer", "--rings", "25"},
                "--rings must be a whole number from 1 to 20, not '25'"}));

}  // namespace
