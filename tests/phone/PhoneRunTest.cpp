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
void Await(const std::function<bool()> &done, const char *what) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "waited a minute for " << what;
      PressCtrlC();
      return;
    }
    std::this_thread::yield();
  }
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

class PhoneRun : public phone_test::PhoneHost {
 protected:
  void SetUp() override { win32::SetTimeScale(50); }
  void TearDown() override {
    win32::SetTimeScale(1.0);
    win32::ClearFileWriteFaults();
  }
};

TEST_F(PhoneRun, TheDemoSavesAlicesMessageAndNothingForBob) {
  ASSERT_EQ(Run({"answer", "--demo", "--calls", "2", "--messages", Messages()}), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");
  EXPECT_TRUE(notices_.Notices().empty());
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  const std::string name = files[0].filename().string();
  EXPECT_NE(name.find("-5550142.wav"), std::string::npos);

  // As an independent reader sees it: the line's format, as long as Alice spoke, give or
  // take the one-second buffer in which she fell silent.
  const TSound saved = ReadSound(files[0].string());
  const TSound said = ReadSound(CORVAX_SPEECH_DIR "/caller-alice.wav");
  EXPECT_EQ(saved.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(saved.channels, 1);
  EXPECT_EQ(saved.rate, kRate);
  ASSERT_GT(said.frames, 0);
  EXPECT_NEAR(static_cast<double>(saved.frames), static_cast<double>(said.frames), kRate);

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
  const size_t kSpoken = 60 * kRate;
  std::thread caller([&] {
    sim::Exchange &exchange = sim::TheExchange();
    // The program sets the exchange up before it opens the line.
    AwaitLineTakingCalls();
    sim::Audio().SendTone(0, 440, 60);
    const sim::CallId call = exchange.OfferCall(0, {.caller = {"Carol", "5550100"}});
    exchange.Ring(0, 1);
    // Only the recording takes what the caller says: two seconds of it are recorded.
    Await([&] { return sim::Audio().Pending(0) <= kSpoken - 2 * kRate; }, "two seconds recorded");
    PressCtrlC();
    AwaitIdle(call);
  });
  const int status = Run({"answer", "--rings", "1", "--messages", Messages()});
  caller.join();
  EXPECT_EQ(status, 130) << err_.str();
  const auto files = WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 1u) << out_.str();
  const TSound saved = ReadSound(files[0].string());
  EXPECT_EQ(saved.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(saved.rate, kRate);
  EXPECT_GE(saved.frames, 2 * kRate);
  EXPECT_LT(saved.frames, static_cast<sf_count_t>(kSpoken));
  const auto index = Lines(component_test::ReadFile(fs::path(Messages()) / "index.txt"));
  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(Fields(index[0]).back(), files[0].filename().string());
  EXPECT_NE(out_.str().find("Recording ended (Ctrl-C stopped the recording)"), std::string::npos);
  ExpectLineClosed();
}

TEST_F(PhoneRun, DialPlaysTheAnnouncementWhenTheFarEndAnswers) {
  ASSERT_EQ(Run({"dial", "5550123"}), 0) << err_.str();
  const TSound announcement = ReadSound(CORVAX_SPEECH_DIR "/announcement.wav");
  EXPECT_NEAR(static_cast<double>(sim::Audio().Played(0).size()),
              static_cast<double>(announcement.frames), kRate / 100);
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
    exchange.Ring(0, 1);
    exchange.Ring(0, 2);
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
    sim::Audio().SendTone(0, 440, 5);
    const sim::CallId call = exchange.OfferCall(0, {.caller = {"Fay", "5550133"}});
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
