// Line audio end to end: the component opens the line, answers the far end's call, plays a
// greeting into it and records it until the far end hangs up.
#include <atomic>
#include <cmath>
#include <numbers>
#include <thread>

#include "Clock.h"
#include "component/Kwtapi.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
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
    while (hCall_ == 0) Pump();
    AnsiString error;
    ASSERT_GT(component_.AnswerTheLine(hCall_, &error), 0) << error.c_str();
  }
  void TearDown() override { win32::SetTimeScale(1.0); }

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
  EXPECT_TRUE(audio_test::Dominant({played.data() + 400, played.size() - 800}, 1000));
}

TEST_F(SoundOnACall, AHangUpEndsTheRecordingWithACompleteFile) {
  std::vector<int16_t> said(60 * 8000);
  for (size_t i = 0; i < said.size(); ++i)
    said[i] =
        static_cast<int16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * (i + 1) / 8)));
  sim::Audio().Send(kWaveIn, said);
  // The far end hangs up once a second and a half of what it said was recorded.
  std::thread farEnd([&] {
    while (sim::Audio().Pending(kWaveIn) > said.size() - 12000) std::this_thread::yield();
    sim::TheExchange().HangUp(call_);
  });
  const std::string path = folder_.Path("message.wav").string();
  AnsiString status = "stale";
  int buffers = 0;
  const bool recorded = component_.RecordASound(path.c_str(), hCall_, 600, &status, &buffers);
  farEnd.join();
  EXPECT_TRUE(recorded);
  EXPECT_EQ(sound_test::Str(status), "");
  EXPECT_GE(buffers, 2);
  EXPECT_LT(buffers, 600);
  EXPECT_TRUE(disconnected_);
  const auto read = sound_test::ReadWav(path);
  EXPECT_GT(read.samples.size(), (buffers - 1) * 8000u - 1);
  EXPECT_EQ(read.samples, std::vector<int16_t>(said.begin(), said.begin() + read.samples.size()));
  EXPECT_EQ(sound_test::FileSize(path), 46 + read.samples.size() * 2);
  ASSERT_EQ(sim::TheExchange().GeneratedTones().size(), 1u);
}

}  // namespace
