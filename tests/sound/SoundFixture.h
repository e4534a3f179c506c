// What the sound tests share: an answered call on line 0 of a fresh exchange with its wave
// devices, captured message boxes, a fast clock, a sound thread run to its end while the
// test's thread pumps its messages, and recorded files read back by libsndfile.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <tapi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Operation.h"
#include "sound/Kwtapisoundthread.h"
#include "tests/component/TestSupport.h"

namespace sound_test {

// A WAV file as an independent reader sees it.
struct TReadBack {
  bool opened = false;
  int format = 0;
  int channels = 0;
  int rate = 0;
  std::vector<int16_t> samples;
};
TReadBack ReadWav(const std::string &path);

// The 32-bit little-endian value at the offset of the file.
uint32_t FileDword(const std::string &path, size_t offset);
uintmax_t FileSize(const std::string &path);

std::string WaveOutErrorText(MMRESULT result);

// The virtual time of the latest waveInStart call, noted as it is made, just before the device
// starts: no recording hears anything said before it. Noted until the fault plan is cleared.
std::shared_ptr<const std::atomic<double>> NoteWaveInStart();
inline std::string Str(const AnsiString &text) {
  return text.c_str();
}

class SoundTest : public ::testing::Test {
 protected:
  static constexpr UINT kWaveOut = 3;
  static constexpr UINT kWaveIn = 4;

  void SetUp() override;
  void TearDown() override;
  // Nothing sent or played yet; what is sent waits for the recording.
  static void ForgetFarEndSound();

  // The thread runs one operation on the test's line; the test's thread pumps its messages
  // until the thread is no longer busy, calling `onPump` each round.
  std::unique_ptr<kwTAPISoundThread> Play(const std::string &path);
  std::unique_ptr<kwTAPISoundThread> Record(
      const std::string &path, int iMaxBuffers,
      const std::function<void(kwTAPISoundThread &)> &onPump = {});
  void Start(kwTAPISoundThread &thread);
  void RunToEnd(kwTAPISoundThread &thread,
                const std::function<void(kwTAPISoundThread &)> &onPump = {});
  static void Pump();
  // Pumps until `done` holds; a failure naming `what` after half a minute of real time, which
  // no fast clock shortens.
  static bool PumpUntil(const std::function<bool()> &done, const std::string &what);

  // True when the line's wave devices are free again (nothing left them open).
  bool DevicesClosed();
  std::vector<std::string> NoticeTexts() const;

  component_test::TNoticeCapture notices_;
  component_test::TScratchFolder folder_;
  HLINEAPP app_ = 0;
  HLINE line_ = 0;
  HCALL call_ = 0;
};

}  // namespace sound_test
