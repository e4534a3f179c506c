// The far end in time: it hears the line's beep, speaks after it as a person does, and hangs
// up with its last word; a wave-in device hears just that stretch of the line.
#include <windows.h>
#include <mmsystem.h>

#include <cmath>

#include "Clock.h"
#include "simulator/FarEndAudio.h"
#include "tests/support/AudioSignals.h"
#include "tests/simulator/CallSoundFixture.h"

namespace tapi_test {
namespace {

using FarEndSound = CallSoundFixture;

TEST_F(FarEndSound, TheFarEndHearsTheBeepSpeaksAfterItAndHangsUpWithItsLastWord) {
  const LineApp app = Initialize();
  const HCALL call = AnsweredCall(app);
  const auto speech = audio_test::Sweep(400, 2400, 0.5);
  ASSERT_TRUE(exchange.SayAfterBeep(call_, speech));

  HWAVEIN device = 0;
  const WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
  ASSERT_EQ(waveInOpen(&device, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  std::vector<int16_t> samples(5 * 8000);
  WAVEHDR header{};
  header.lpData = reinterpret_cast<LPSTR>(samples.data());
  header.dwBufferLength = static_cast<DWORD>(samples.size() * 2);
  ASSERT_EQ(waveInPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(device, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInStart(device), MMSYSERR_NOERROR);
  const double started = win32::VirtualNow();
  ASSERT_EQ(lineGenerateTone(call, LINETONEMODE_BEEP, 0, 0, nullptr), 0);
  const double beeped = win32::VirtualNow();

  // The beep asked for with no length is the line's 300 ms of 1 kHz.
  EXPECT_EQ(sim::Audio().Played(0), sim::BeepSound(sim::Exchange::kDefaultBeepMs));
  ASSERT_TRUE(exchange.HangUpAfterSpeech(call_));
  EXPECT_EQ(exchange.CallState(call_), static_cast<DWORD>(LINECALLSTATE_IDLE));
  // The application resets the device once it learns of the hang-up: later than the last word.
  ASSERT_EQ(waveInReset(device), MMSYSERR_NOERROR);

  const std::span<const int16_t> heard(samples.data(), header.dwBytesRecorded / 2);
  const auto at = audio_test::Find(heard, speech);
  ASSERT_TRUE(at) << "the speech, whole, in " << heard.size() << " samples";
  EXPECT_EQ(*at + speech.size(), heard.size()) << "the recording ends with the last word";
  const double spoke = started + static_cast<double>(*at) / 8;
  const double reaction = sim::Exchange::kDefaultBeepMs + sim::FarEndAudio::kReactionMs;
  EXPECT_GE(spoke, started + reaction - 1);
  EXPECT_LE(spoke, beeped + reaction + 1);
  EXPECT_EQ(audio_test::Rms(heard.first(*at)), 0) << "nothing before the speech";
  EXPECT_EQ(waveInUnprepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
}

TEST_F(FarEndSound, WhatTheFarEndSaysBeforeTheDeviceStartsIsLost) {
  const LineApp app = Initialize();
  AnsweredCall(app);
  const double saidAt = sim::Audio().Send(0, audio_test::Sweep(400, 2400, 1));
  win32::SleepUntil(saidAt + 1000);  // once it has all been said
  EXPECT_EQ(sim::Audio().Pending(0), 0u);
  std::vector<int16_t> heard(800, 99);
  EXPECT_EQ(sim::Audio().Record(0, win32::VirtualNow(), heard), heard.size());
  EXPECT_EQ(audio_test::Rms(heard), 0);
  EXPECT_TRUE(exchange.HangUp(call_));
  // After the hang-up the line carries nothing, and says so.
  EXPECT_EQ(sim::Audio().Record(0, win32::VirtualNow(), heard), 0u);
}

}  // namespace
}  // namespace tapi_test
