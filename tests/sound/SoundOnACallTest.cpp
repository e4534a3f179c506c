// Line audio end to end: the component opens the line, answers the far end's call, plays a
// greeting into it and records it until the far end hangs up.
#include <atomic>
#include <chrono>
#include <thread>

#include "Clock.h"
#include "component/Kwtapi.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Operation.h"
#include "tests/PumpMessages.h"
#include "tests/sound/SoundFixture.h"
#include "tests/winmm/Fixtures.h"
#include "tests/support/AudioSignals.h"

namespace {

constexpr UINT kWaveOut = 3;
constexpr UINT kWaveIn = 4;

class SoundOnACall : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    sim::TheExchange().Reset(1);
    sim::TheExchange().Line(0).WaveOut(kWaveOut).WaveIn(kWaveIn);
    sim::Audio().Reset();
    // What the far end says is sent before the recording starts and waits for it.
    sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Queued);
    win32::SetTimeScale(100);
    component_.OnCallOfferingEvent = TCallOfferingEvent(this, &SoundOnACall::Offered);
    component_.OnCallDisconnectedEvent = TCallDisconnectedEvent(this, &SoundOnACall::Disconnected);
    DWORD device = 0;
    ASSERT_TRUE(component_.OpenDevice(device, false, true));
    call_ = sim::TheExchange().OfferCall(0);
    ASSERT_TRUE(test_support::PumpMessagesWithin([&] { return hCall_ != 0; },
                                                 [] { return std::chrono::seconds(10); }))
        << "the call's offering";
    AnsiString error;
    ASSERT_GT(component_.AnswerTheLine(hCall_, &error), 0) << error.c_str();
  }
  void TearDown() override {
    sim::Faults().Clear();
    win32::SetTimeScale(1.0);
  }

  void Offered(HCALL hCall, int, int) { hCall_ = hCall; }
  void Disconnected(HCALL) { disconnected_ = true; }
  void Pump() {
    component_.ProcessMessages();
    Sleep(10);
  }

  component_test::TNoticeCapture notices_;
  component_test::TScratchFolder folder_;
  TkwTAPI component_{nullptr};
  sim::CallId call_ = 0;
  DWORD hCall_ = 0;
  bool disconnected_ = false;
};

TEST_F(SoundOnACall, TheGreetingIsHeardAtTheFarEnd) {
  AnsiString status = "stale";
  EXPECT_TRUE(component_.PlayASound(fixtures::Sox("tone_44100_2ch_16.wav").c_str(), &status));
  EXPECT_EQ(sound_test::Str(status), "");
  const auto played = sim::Audio().Played(kWaveOut);
  EXPECT_NEAR(static_cast<double>(played.size()), 4000, 40);
  ASSERT_GT(played.size(), 800u);
  const std::span<const int16_t> middle(played.data() + 400, played.size() - 800);
  EXPECT_TRUE(audio_test::Dominant(middle, 1000));
  EXPECT_TRUE(audio_test::LevelWithin(
      middle,
      audio_test::Rms(sound_test::ReadWav(fixtures::Sox("tone_44100_2ch_16.wav")).samples)));
}

// The far end talks in time and hangs up in the middle of the recording's second buffer: the
// file holds what it said up to the hang-up, part of a buffer included, and nothing after.
TEST_F(SoundOnACall, AHangUpEndsTheRecordingWithWhatWasSaidUpToIt) {
  sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Live);
  const auto said = audio_test::Sweep(300, 3400, 600);
  const double saidAt = sim::Audio().Send(kWaveIn, said);
  sim::OperationJournal().Clear();
  std::atomic<double> hangUpFrom = 0, hangUpTo = 0;
  std::thread farEnd([&] {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sim::OperationJournal().Count("waveInStart") == 0) {
      if (std::chrono::steady_clock::now() > giveUp) return;
      Sleep(1);
    }
    win32::SleepUntil(win32::VirtualNow() + 1500);
    hangUpFrom = win32::VirtualNow();
    sim::TheExchange().HangUp(call_);
    hangUpTo = win32::VirtualNow();
  });
  const std::string path = folder_.Path("message.wav").string();
  AnsiString status = "stale";
  int buffers = 0;
  const auto started = sound_test::NoteWaveInStart();
  const bool recorded = component_.RecordASound(path.c_str(), hCall_, 600, &status, &buffers);
  farEnd.join();
  ASSERT_GT(hangUpTo, 0) << "the recording never started";
  EXPECT_TRUE(recorded);
  EXPECT_EQ(sound_test::Str(status), "");
  EXPECT_GE(buffers, 2);
  EXPECT_LT(buffers, 600);
  // The line fell silent at the hang-up, so the recording may end before the event arrives.
  EXPECT_TRUE(test_support::PumpMessagesWithin([&] { return disconnected_; },
                                               [] { return std::chrono::seconds(10); }))
      << "the disconnection";
  const auto read = sound_test::ReadWav(path);
  EXPECT_GT(read.samples.size(), 8000u);
  // The hang-up came a second and a half after the device had started.
  EXPECT_TRUE(audio_test::StretchSaidBetween(
      read.samples, said, saidAt, {*started, hangUpFrom - 1500}, {hangUpFrom, hangUpTo}));
  EXPECT_EQ(sound_test::FileSize(path), 46 + read.samples.size() * 2);
  ASSERT_EQ(sim::TheExchange().GeneratedTones().size(), 1u);
}

}  // namespace
