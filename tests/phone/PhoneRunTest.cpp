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
#include "examples/MessageStore.h"
#include "examples/Phone.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/InbandDigits.h"
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
  const auto said = audio_test::Sweep(300, 3000, 600);
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

// The caller's keys, pressed as touch tones in the call's sound: # skips the greeting, * and the
// PIN play the messages.
class PhoneKeys : public PhoneRun {
 protected:
  void SetUp() override {
    PhoneRun::SetUp();
    win32::SetTimeScale(10);
    if (sim::DigitSound("1", 100, 100).empty()) GTEST_SKIP() << "no touch tones on this system";
  }

  int AnswerOneCallWithThePin() {
    return Run(
        {"answer", "--rings", "1", "--calls", "1", "--pin", "2468", "--messages", Messages()});
  }

  // A call answered on line 0; what the line had played when it was.
  sim::CallId AnsweredCall(size_t &playedBefore) {
    AwaitLineTakingCalls();
    const sim::CallId call = sim::TheExchange().OfferCall(0, {.caller = {"Ivy", "5550177"}});
    RingUntilAnswered(call);
    playedBefore = PlayedOnLine0();
    return call;
  }

  // Two messages in the folder: one from Ann at 09:41, one from an unknown caller at 17:05.
  void TwoMessages() {
    const TMessageStore store(Messages());
    store.CheckWritable();
    const TDateTime day = EncodeDate(2026, 12, 10);
    for (const auto &[entry, sound] :
         {std::pair{TMessageEntry{day + EncodeTime(9, 41, 0, 0), "Ann", "5550123", 1.0, "ann.wav"},
                    annSaid_},
          std::pair{TMessageEntry{day + EncodeTime(17, 5, 0, 0), "", "", 1.0, "unknown.wav"},
                    unknownSaid_}}) {
      ASSERT_TRUE(audio_test::WriteWave(store.PathOf(entry.fileName), sound));
      ASSERT_TRUE(store.AddToIndex(entry));
    }
  }

  // Waits until the line has played `sound` whole, after `from` samples.
  static bool AwaitPlayed(const audio_test::Samples &sound, size_t from, const char *what) {
    return Await(
        [&] {
          const auto played = sim::Audio().Played(sim::TheExchange().WaveOutId(0).value_or(0));
          return played.size() > from &&
                 audio_test::Find(std::span(played).subspan(from), sound).has_value();
        },
        what);
  }

  const audio_test::Samples annSaid_ = audio_test::Sweep(500, 1400, 1.0);
  const audio_test::Samples unknownSaid_ = audio_test::Sweep(2600, 1600, 1.0);
};

audio_test::Samples Speech(const std::string &name) {
  return audio_test::ReadWave(std::string(CORVAX_SPEECH_DIR) + "/" + name + ".wav");
}

// Where each sound lies in `played`, each after the one before; none for a sound not found
// there in that order.
std::vector<std::optional<size_t>> InOrder(std::span<const int16_t> played,
                                           const std::vector<std::string> &names) {
  std::vector<std::optional<size_t>> found;
  size_t from = 0;
  for (const std::string &name : names) {
    const auto sound = Speech(name);
    const auto at =
        from <= played.size() ? audio_test::Find(played.subspan(from), sound) : std::nullopt;
    found.push_back(at ? std::optional(from + *at) : std::nullopt);
    if (at) from += *at + sound.size();
  }
  return found;
}

TEST_F(PhoneKeys, HashInTheGreetingSkipsToTheBeepAndTheMessageHoldsWhatFollows) {
  const auto greeting = Speech("greeting");
  const auto said = audio_test::Sweep(600, 2200, 1.5);
  size_t before = 0;
  std::thread caller([&] {
    const sim::CallId call = AnsweredCall(before);
    if (!AwaitGreetingHeard(before)) return;
    sim::TheExchange().SayAfterBeep(call, said);
    // The key, then a quiet line until the caller speaks (digital silence would end the
    // recording at once), said as one so that the beep cannot come between them.
    auto key = sim::DigitSound("#", 100, 0);
    const auto hum = sim::ToneSound(250, 30, 300);
    key.insert(key.end(), hum.begin(), hum.end());
    sim::Audio().Send(0, key);
    sim::TheExchange().HangUpAfterSpeech(call);
  });
  const int status = Run({"answer", "--rings", "1", "--calls", "1", "--messages", Messages()});
  caller.join();
  EXPECT_EQ(status, 0) << err_.str();
  EXPECT_NE(out_.str().find("The caller pressed #: skipping to the beep."), std::string::npos)
      << out_.str();
  // The greeting's beginning, cut short by the key, and then the beep.
  const auto played = sim::Audio().Played(0);
  const auto greeted = audio_test::Find(played, std::span(greeting).first(kRate));
  ASSERT_TRUE(greeted) << "the greeting's first second";
  const auto afterGreeting = std::span(played).subspan(*greeted);
  const auto beep = audio_test::Find(afterGreeting, sim::BeepSound(100));
  ASSERT_TRUE(beep) << "the beep after the greeting";
  EXPECT_GE(*beep, static_cast<size_t>(kRate)) << "after the second the caller heard";
  EXPECT_LT(*beep, greeting.size() - 2 * kRate) << "long before the greeting's end";
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  EXPECT_TRUE(audio_test::Find(audio_test::ReadWave(files[0]), said))
      << "what the caller said after the beep, whole, in the message";
  ExpectLineClosed();
}

TEST_F(PhoneKeys, StarAndThePinPlayEachMessageWithItsTimeAndCallerSevenDeletesNineKeeps) {
  // Faster than the others: the menu says much.
  win32::SetTimeScale(15);
  TwoMessages();
  size_t before = 0;
  std::thread caller([&] {
    const sim::CallId call = AnsweredCall(before);
    if (!AwaitGreetingHeard(before)) return;
    sim::TheExchange().PressKeys(call, "*2468");
    if (!AwaitPlayed(annSaid_, before, "Ann's message played")) return;
    sim::TheExchange().PressKeys(call, "7");
    if (!AwaitPlayed(unknownSaid_, before, "the unknown caller's message played")) return;
    sim::TheExchange().PressKeys(call, "9");
    AwaitIdle(call);
  });
  const int status = AnswerOneCallWithThePin();
  caller.join();
  EXPECT_EQ(status, 0) << err_.str();
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("The caller gave the PIN: playing the messages."), std::string::npos)
      << shown;

  // What the caller heard, in time: each message after its time and caller, read word by word.
  const auto played = sim::Audio().Played(0);
  const auto heard = std::span<const int16_t>(played).subspan(std::min(before, played.size()));
  const auto ann = audio_test::Find(heard, annSaid_);
  const auto unknown = audio_test::Find(heard, unknownSaid_);
  ASSERT_TRUE(ann && unknown) << shown;
  const auto annIntro =
      InOrder(heard.first(*ann), {"menu-count", "digit-2", "menu-received", "digit-0", "digit-9",
                                  "digit-4", "digit-1", "menu-from", "digit-5", "digit-5",
                                  "digit-5", "digit-0", "digit-1", "digit-2", "digit-3"});
  for (size_t i = 0; i < annIntro.size(); ++i) EXPECT_TRUE(annIntro[i]) << "word " << i;
  const auto unknownIntro = InOrder(heard.subspan(*ann).first(*unknown - *ann),
                                    {"menu-deleted", "menu-received", "digit-1", "digit-7",
                                     "digit-0", "digit-5", "menu-unknown"});
  for (size_t i = 0; i < unknownIntro.size(); ++i) EXPECT_TRUE(unknownIntro[i]) << "word " << i;
  EXPECT_TRUE(InOrder(heard.subspan(*unknown), {"menu-end"})[0]) << "the end of the messages";

  // 7 took Ann's message out of the index and the folder; 9 kept the other.
  const auto index = Lines(component_test::ReadFile(fs::path(Messages()) / "index.txt"));
  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(Fields(index[0]).back(), "unknown.wav");
  EXPECT_FALSE(fs::exists(fs::path(Messages()) / "ann.wav"));
  EXPECT_EQ(audio_test::ReadWave(fs::path(Messages()) / "unknown.wav"), unknownSaid_);
  ExpectLineClosed();
}

TEST_F(PhoneKeys, ThreeWrongPinsHangUpAndPlayNothing) {
  TwoMessages();
  size_t before = 0;
  sim::CallId call = 0;
  std::thread caller([&] {
    call = AnsweredCall(before);
    if (!AwaitGreetingHeard(before)) return;
    sim::TheExchange().PressKeys(call, "*111122223333");
    AwaitIdle(call);
  });
  const int status = AnswerOneCallWithThePin();
  caller.join();
  EXPECT_EQ(status, 0) << err_.str();
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("Wrong PIN (3 of 3)"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Three wrong PINs: the caller is not let in."), std::string::npos);
  EXPECT_NE(shown.find("Hanging up"), std::string::npos) << "the machine ended the call";
  const auto played = sim::Audio().Played(0);
  EXPECT_FALSE(audio_test::Find(played, annSaid_)) << "no message played";
  EXPECT_EQ(Lines(component_test::ReadFile(fs::path(Messages()) / "index.txt")).size(), 2u);
  EXPECT_EQ(WaveFilesIn(Messages()).size(), 2u);
  ExpectLineClosed();
}

}  // namespace
