// Sound both ways in a call: the far end talks into the line's wave-in device and hears what
// the application plays into its wave-out device, both found through lineGetIDA.
#include <tapi.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

#include "Devices.h"
#include "tests/support/AudioSignals.h"
#include "tests/support/Waits.h"

namespace {

using devices::Buffer;

UINT WaveId(HLINE line, const char *device_class) {
  alignas(VARSTRING) char block[1024] = {};
  auto *id = reinterpret_cast<VARSTRING *>(block);
  id->dwTotalSize = sizeof block;
  EXPECT_EQ(lineGetIDA(line, 0, 0, LINECALLSELECT_LINE, id, device_class), 0);
  UINT value = 0;
  std::memcpy(&value, block + id->dwStringOffset, sizeof value);
  return value;
}

std::vector<char> Sine(double frequency, size_t samples) {
  std::vector<int16_t> sound(samples);
  for (size_t i = 0; i < samples; ++i) {
    sound[i] = static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * frequency * i / 8000));
  }
  return devices::NativeBytes(sound);
}

class CallAudio : public devices::Test {
 protected:
  void TearDown() override {
    if (line_) lineClose(line_);
    if (app_) lineShutdown(app_);
    devices::Test::TearDown();
  }
  // An application owning line 0, whose far end offers a call that the application answers.
  sim::CallId AnsweredCall() {
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    DWORD devices = 0, version = 0x00020000;
    EXPECT_EQ(lineInitializeExA(&app_, 0, nullptr, "Call audio", &devices, &version, &params), 0);
    EXPECT_EQ(lineOpenA(app_, 0, &line_, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
                        LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
              0);
    const sim::CallId call = sim::TheExchange().OfferCall(0);
    HCALL handle = 0;
    LINEMESSAGE message{};
    while (lineGetMessage(app_, &message, 0) == 0) {
      if (message.dwMessageID == LINE_CALLSTATE) handle = message.hDevice;
    }
    EXPECT_GT(lineAnswer(handle, nullptr, 0), 0);
    return call;
  }

  HLINEAPP app_ = 0;
  HLINE line_ = 0;
};

TEST_F(CallAudio, TheFarEndHearsWhatIsPlayedAndIsHeardWhenRecorded) {
  win32::SetTimeScale(1000);
  sim::TheExchange().Line(0).WaveOut(3).WaveIn(4);
  const sim::CallId call = AnsweredCall();
  const UINT out_id = WaveId(line_, "wave/out");
  const UINT in_id = WaveId(line_, "wave/in");
  ASSERT_EQ(out_id, 3u);
  ASSERT_EQ(in_id, 4u);

  // The tone waits for the recording, however long the device takes to start. Not the beep's
  // 1 kHz: a caller never says that.
  constexpr double kSaidHz = 700, kPlayedHz = 440;
  sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Queued);
  sim::Audio().SendTone(in_id, kSaidHz, 1.0);
  const auto native = devices::Native();
  HWAVEIN input = 0;
  ASSERT_EQ(waveInOpen(&input, in_id, &native, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  Buffer heard(16000);
  ASSERT_EQ(waveInPrepareHeader(input, &heard.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(input, &heard.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInStart(input), MMSYSERR_NOERROR);

  HWAVEOUT output = 0;
  ASSERT_EQ(waveOutOpen(&output, out_id, &native, 0, 0, WAVE_MAPPED), MMSYSERR_NOERROR);
  Buffer said(Sine(kPlayedHz, 8000));
  ASSERT_EQ(waveOutPrepareHeader(output, &said.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(output, &said.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);

  ASSERT_TRUE(test_support::YieldUntil([&] { return said.Done() && heard.Done(); },
                                       "both buffers to be done"));
  const auto played = sim::Audio().Played(out_id);
  ASSERT_EQ(played.size(), 8000u);
  // Each side carries its own tone at its level, and nothing of the other's.
  const double sourceRms = 8000 / std::sqrt(2.0);
  EXPECT_TRUE(audio_test::Dominant(played, kPlayedHz));
  EXPECT_TRUE(audio_test::LevelWithin(played, sourceRms));
  EXPECT_TRUE(audio_test::PureTone(played, kPlayedHz));
  EXPECT_TRUE(audio_test::NoLeak(played, kSaidHz));
  const std::span<const int16_t> recorded(reinterpret_cast<const int16_t *>(heard.data.data()),
                                          heard.header.dwBytesRecorded / 2);
  ASSERT_EQ(recorded.size(), 8000u);
  EXPECT_TRUE(audio_test::Dominant(recorded, kSaidHz));
  EXPECT_TRUE(audio_test::LevelWithin(recorded, sourceRms));
  EXPECT_TRUE(audio_test::PureTone(recorded, kSaidHz));
  EXPECT_TRUE(audio_test::NoLeak(recorded, kPlayedHz));
  EXPECT_TRUE(sim::Audio().Played(in_id).empty()) << "nothing crossed between the devices";

  EXPECT_EQ(waveOutUnprepareHeader(output, &said.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(output), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInUnprepareHeader(input, &heard.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(input), MMSYSERR_NOERROR);
  EXPECT_TRUE(sim::TheExchange().HangUp(call));
}

}  // namespace
