#include <thread>

#include "Devices.h"
#include "Fixtures.h"
#include "tests/support/AudioSignals.h"
#include "platform/winmm/HandleNumber.h"
#include "tests/winmm/GuardedPage.h"
#include "tests/support/Waits.h"

namespace {

using devices::Buffer;

class WaveOut : public devices::Test {
 protected:
  void TearDown() override {
    if (device_) {
      waveOutReset(device_);
      waveOutClose(device_);
    }
    devices::Test::TearDown();
  }
  MMRESULT Open(UINT id, const WAVEFORMATEX &format, DWORD flags = 0, HWND window = 0) {
    if (window) flags |= CALLBACK_WINDOW;
    return waveOutOpen(&device_, id, &format, winmm::HandleParameter(window), 0, flags);
  }
  void Queue(Buffer &buffer) {
    ASSERT_EQ(waveOutPrepareHeader(device_, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device_, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }

  HWAVEOUT device_ = 0;
};

TEST_F(WaveOut, PlaysBuffersInOrderAtTheirRealRateOnTheScaledClock) {
  win32::SetTimeScale(200);
  devices::Window window;
  ASSERT_EQ(Open(0, devices::Native(), 0, window.Handle()), MMSYSERR_NOERROR);
  const MSG open = window.Next();
  EXPECT_EQ(open.message, static_cast<UINT>(MM_WOM_OPEN));
  EXPECT_EQ(open.wParam, winmm::HandleParameter(device_));

  const auto sound = devices::Ramp(16000);  // two seconds
  const auto bytes = devices::NativeBytes(sound);
  Buffer first(std::vector<char>(bytes.begin(), bytes.begin() + 16000));
  Buffer second(std::vector<char>(bytes.begin() + 16000, bytes.end()));
  const double start = win32::VirtualNow();
  Queue(first);
  Queue(second);

  const MSG done1 = window.Next();
  EXPECT_EQ(done1.message, static_cast<UINT>(MM_WOM_DONE));
  EXPECT_EQ(done1.lParam, reinterpret_cast<LPARAM>(&first.header));
  EXPECT_GE(win32::VirtualNow() - start, 1000) << "a second of sound lasts a second";
  const MSG done2 = window.Next();
  EXPECT_EQ(done2.lParam, reinterpret_cast<LPARAM>(&second.header));
  EXPECT_GE(win32::VirtualNow() - start, 2000);
  EXPECT_TRUE(first.Done() && second.Done());
  EXPECT_FALSE(second.header.dwFlags & WHDR_INQUEUE);
  EXPECT_EQ(sim::Audio().Played(0), sound) << "native sound reaches the line unchanged";

  EXPECT_EQ(waveOutClose(device_), MMSYSERR_NOERROR);
  EXPECT_EQ(window.Next().message, static_cast<UINT>(MM_WOM_CLOSE));
  device_ = 0;
}

// A line carries the sound as it sounds, not a whole buffer once it has ended.
TEST_F(WaveOut, TheLineHearsABufferAsItPlaysAndNeverAheadOfTheClock) {
  // A quarter of a second of real time for the device to hand over a stretch, however busy
  // the machine.
  win32::SetTimeScale(2);
  ASSERT_EQ(Open(0, devices::Native()), MMSYSERR_NOERROR);
  const auto sound = audio_test::Sweep(300, 3000, 0.5);
  Buffer buffer(devices::NativeBytes(sound));
  const double start = win32::VirtualNow();
  Queue(buffer);
  size_t heard = 0;
  while (!buffer.Done() && heard == 0) {
    heard = sim::Audio().Played(0).size();
    EXPECT_LE(static_cast<double>(heard), (win32::VirtualNow() - start) * 8 + 1);
  }
  EXPECT_FALSE(buffer.Done()) << "part of it was heard while it played";
  ASSERT_TRUE(test_support::YieldUntil([&] { return buffer.Done(); }, "the buffer"));
  EXPECT_EQ(sim::Audio().Played(0), sound);
}

TEST_F(WaveOut, CompletionCanBePolledWithoutACallback) {
  win32::SetTimeScale(1000);
  ASSERT_EQ(Open(1, devices::Native()), MMSYSERR_NOERROR);
  std::vector<Buffer> buffers;
  for (int i = 0; i < 3; ++i) buffers.emplace_back(4096, static_cast<char>(i + 1));
  for (auto &buffer : buffers) Queue(buffer);
  ASSERT_TRUE(test_support::YieldUntil([&] { return buffers.back().Done(); }, "the last buffer"));
  for (auto &buffer : buffers) {
    EXPECT_TRUE(buffer.Done());
    EXPECT_EQ(waveOutUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_FALSE(buffer.header.dwFlags & WHDR_PREPARED);
  }
  EXPECT_EQ(sim::Audio().Played(1).size(), 3u * 2048);
  EXPECT_TRUE(sim::Audio().Played(0).empty()) << "another line's device heard nothing";
}

TEST_F(WaveOut, AnEventCallbackIsSetOnceABufferIsDone) {
  win32::SetTimeScale(1000);
  const HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(done, static_cast<HANDLE>(0));
  const WAVEFORMATEX native = devices::Native();
  ASSERT_EQ(waveOutOpen(&device_, 1, &native, winmm::HandleParameter(done), 0,
                        CALLBACK_EVENT),
            MMSYSERR_NOERROR);
  std::vector<Buffer> buffers;
  for (int i = 0; i < 2; ++i) buffers.emplace_back(4096, static_cast<char>(i + 1));
  for (auto &buffer : buffers) Queue(buffer);
  // A waiter woken by the event must find the buffer done: the flag comes first.
  for (auto &buffer : buffers) {
    while (!buffer.Done()) ASSERT_EQ(WaitForSingleObject(done, 60000), WAIT_OBJECT_0);
  }
  EXPECT_EQ(sim::Audio().Played(1).size(), 2u * 2048);
  CloseHandle(done);
}

TEST_F(WaveOut, ResetReturnsEveryQueuedBufferAtOnce) {
  ASSERT_EQ(Open(0, devices::Native()), MMSYSERR_NOERROR);
  std::vector<Buffer> buffers;
  for (int i = 0; i < 3; ++i) buffers.emplace_back(160000);  // ten seconds each
  for (auto &buffer : buffers) Queue(buffer);
  EXPECT_EQ(waveOutClose(device_), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutUnprepareHeader(device_, &buffers[1].header, sizeof(WAVEHDR)),
            WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutWrite(device_, &buffers[1].header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);

  EXPECT_EQ(waveOutReset(device_), MMSYSERR_NOERROR);
  for (auto &buffer : buffers) {
    EXPECT_TRUE(buffer.Done());
    EXPECT_FALSE(buffer.header.dwFlags & WHDR_INQUEUE);
    EXPECT_EQ(waveOutUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  EXPECT_LT(sim::Audio().Played(0).size(), 80000u) << "the rest of the sound was cut off";
  EXPECT_EQ(waveOutClose(device_), MMSYSERR_NOERROR);
  device_ = 0;
}

TEST_F(WaveOut, RefusesHeadersItCannotUse) {
  ASSERT_EQ(Open(0, devices::Native()), MMSYSERR_NOERROR);
  Buffer buffer(100);
  EXPECT_EQ(waveOutWrite(device_, &buffer.header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  // The published 32-byte size is not this host's header.
  EXPECT_EQ(waveOutPrepareHeader(device_, &buffer.header, 32), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutPrepareHeader(device_, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutPrepareHeader(device_ + 1000, &buffer.header, sizeof(WAVEHDR)),
            MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR)
      << "an unprepared header needs nothing";
}

TEST_F(WaveOut, OpensLinesDevicesDirectlyOnlyInTheirNativeFormat) {
  WAVEFORMATEX cd{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  EXPECT_EQ(waveOutOpen(nullptr, 0, &cd, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
  EXPECT_EQ(waveOutOpen(nullptr, 0, &cd, 0, 0, WAVE_FORMAT_QUERY | WAVE_MAPPED), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &cd, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  WAVEFORMATEX alaw{6, 1, 8000, 8000, 1, 8, 0};
  EXPECT_EQ(waveOutOpen(nullptr, 0, &alaw, 0, 0, WAVE_FORMAT_QUERY | WAVE_MAPPED),
            WAVERR_BADFORMAT);
  EXPECT_EQ(waveOutOpen(nullptr, 77, &cd, 0, 0, WAVE_FORMAT_QUERY | WAVE_MAPPED),
            MMSYSERR_BADDEVICEID);
  const auto native = devices::Native();
  HWAVEOUT second = 0;
  EXPECT_EQ(waveOutOpen(&second, 0, &native, 0, 0, CALLBACK_FUNCTION), MMSYSERR_INVALFLAG);
  EXPECT_EQ(waveOutOpen(nullptr, 0, &native, 0, 0, 0), MMSYSERR_INVALPARAM);

  // A query opens nothing; a device serves one owner at a time.
  ASSERT_EQ(Open(0, native), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutOpen(&second, 0, &native, 0, 0, 0), MMSYSERR_ALLOCATED);
  EXPECT_EQ(waveOutOpen(&second, 1, &native, 0, 0, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(second), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(second), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveOut, TheMapperPlaysAFileOfAnotherFormatAsNativeSound) {
  win32::SetTimeScale(1000);
  // The bytes of sox's 1 kHz tone at 44.1 kHz, stereo, 16-bit, after its 44-byte header.
  FILE *file = std::fopen(fixtures::Sox("tone1000_44100_stereo16.wav").c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::vector<char> bytes(44 + 44100 * 4);
  ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::fclose(file);
  bytes.erase(bytes.begin(), bytes.begin() + 44);

  const WAVEFORMATEX cd{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  ASSERT_EQ(Open(0, cd, WAVE_MAPPED), MMSYSERR_NOERROR);
  std::vector<Buffer> buffers;
  for (size_t at = 0; at < bytes.size(); at += 4096) {
    buffers.emplace_back(
        std::vector<char>(bytes.begin() + at, bytes.begin() + std::min(at + 4096, bytes.size())));
  }
  for (auto &buffer : buffers) Queue(buffer);
  ASSERT_TRUE(test_support::YieldUntil([&] { return buffers.back().Done(); }, "the last buffer"));

  const auto played = sim::Audio().Played(0);
  EXPECT_NEAR(static_cast<double>(played.size()), 8000, 80);
  const std::span<const int16_t> middle(played.data() + 400, played.size() - 800);
  EXPECT_TRUE(audio_test::Dominant(middle, 1000));
}

TEST_F(WaveOut, AnApplicationThatQueuesLateHearsAGapButLosesNoSample) {
  win32::SetTimeScale(1000);
  const WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 32000, 64000, 2, 16, 0};
  ASSERT_EQ(Open(0, format, WAVE_MAPPED), MMSYSERR_NOERROR);
  Buffer first(8000, 1), second(8000, 1);  // 4000 frames each: 1000 native samples
  Queue(first);
  ASSERT_TRUE(test_support::YieldUntil([&] { return first.Done(); }, "the first buffer"));
  // The queue ran dry: what the rate converter held back is played before the pause.
  ASSERT_TRUE(sim::Audio().WaitPlayed(0, 1000));
  Queue(second);
  ASSERT_TRUE(test_support::YieldUntil([&] { return second.Done(); }, "the second buffer"));
  ASSERT_TRUE(sim::Audio().WaitPlayed(0, 2000));
  EXPECT_EQ(sim::Audio().Played(0).size(), 2000u);
}

// A PCM format may be the 16-byte PCMWAVEFORMAT, as a player copies a file's "fmt " chunk;
// placed against an unreadable page, any read past its 16 bytes faults.
TEST_F(WaveOut, OpensAPcmFormatOfSixteenBytesReadingNoFurther) {
  win32::SetTimeScale(1000);
  const GuardedPage pages;
  ASSERT_TRUE(pages.Ready());
  const std::vector<uint8_t> body = fixtures::PcmFormat(2, 44100, 16);
  uint8_t *end = pages.EndFor(body.size());
  std::copy(body.begin(), body.end(), end);
  const auto *format = reinterpret_cast<const WAVEFORMATEX *>(end);

  EXPECT_EQ(waveOutOpen(nullptr, 0, format, 0, 0, WAVE_FORMAT_QUERY | WAVE_MAPPED),
            MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutOpen(&device_, 0, format, 0, 0, WAVE_MAPPED), MMSYSERR_NOERROR);
  Buffer buffer(44100 * 4 / 10);  // a tenth of a second
  Queue(buffer);
  ASSERT_TRUE(test_support::YieldUntil([&] { return buffer.Done(); }, "the buffer"));
  EXPECT_TRUE(sim::Audio().WaitPlayed(0, 800)) << "converted as 44.1 kHz stereo";
  EXPECT_EQ(waveOutClose(device_), MMSYSERR_NOERROR);
  device_ = 0;
}

TEST_F(WaveOut, EveryOperationCanBeMadeToFailAndIsJournaled) {
  const auto native = devices::Native();
  sim::Faults().FailNext("waveOutOpen", MMSYSERR_NODRIVER);
  EXPECT_EQ(Open(0, native), MMSYSERR_NODRIVER);
  ASSERT_EQ(Open(0, native), MMSYSERR_NOERROR);
  Buffer buffer(320);
  const devices::InjectedFailure operations[] = {
      {"waveOutPrepareHeader", MMSYSERR_NOMEM,
       [&] { return waveOutPrepareHeader(device_, &buffer.header, sizeof(WAVEHDR)); }},
      {"waveOutWrite", MMSYSERR_ERROR,
       [&] { return waveOutWrite(device_, &buffer.header, sizeof(WAVEHDR)); }},
      {"waveOutReset", MMSYSERR_HANDLEBUSY, [&] { return waveOutReset(device_); }},
      {"waveOutUnprepareHeader", MMSYSERR_ERROR,
       [&] { return waveOutUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR)); }},
      {"waveOutClose", MMSYSERR_HANDLEBUSY, [&] { return waveOutClose(device_); }},
  };
  devices::ExpectEachFailsWithItsCode(operations);
  EXPECT_FALSE(buffer.header.dwFlags & WHDR_PREPARED) << "a failed call does nothing";
  const auto opens = sim::OperationJournal().Entries("waveOutOpen");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[1].call.Arg("nSamplesPerSec"), "8000");
  EXPECT_EQ(opens[1].result, MMSYSERR_NOERROR);
}

TEST(WaveOutErrorText, GivesWinmmTextsAndNeverLeavesTheBufferAsItWas) {
  char text[MAXERRORLENGTH] = "stale";
  EXPECT_EQ(waveOutGetErrorTextA(WAVERR_BADFORMAT, text, sizeof text), MMSYSERR_NOERROR);
  EXPECT_STREQ(text,
               "The specified format is not supported or cannot be translated. Use the "
               "Capabilities function to determine the supported formats.");
  EXPECT_EQ(waveOutGetErrorTextA(MMIOERR_CHUNKNOTFOUND, text, sizeof text), MMSYSERR_NOERROR);
  EXPECT_STREQ(text, "The chunk was not found.");
  EXPECT_EQ(waveOutGetErrorTextA(999, text, sizeof text), MMSYSERR_BADERRNUM);
  EXPECT_STREQ(text, "An error number was specified that is not defined in the system.");
  char small[8];
  EXPECT_EQ(waveOutGetErrorTextA(MMSYSERR_NOMEM, small, sizeof small), MMSYSERR_NOERROR);
  EXPECT_STREQ(small, "Not eno");
  EXPECT_EQ(waveOutGetErrorTextA(MMSYSERR_NOMEM, nullptr, 10), MMSYSERR_INVALPARAM);
}

}  // namespace

namespace {

TEST_F(WaveOut, DevicesAreTheOnesTheExchangesLinesHave) {
  sim::TheExchange().Line(0).NoWaveOut();
  sim::TheExchange().Line(1).WaveOut(7);
  const auto native = devices::Native();
  EXPECT_EQ(waveOutOpen(nullptr, 0, &native, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveOutOpen(nullptr, 1, &native, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_BADDEVICEID);
  ASSERT_EQ(Open(WAVE_MAPPER, native), MMSYSERR_NOERROR) << "the mapper finds the only one";
  Buffer buffer(160);
  Queue(buffer);
  ASSERT_TRUE(test_support::YieldUntil([&] { return buffer.Done(); }, "the buffer"));
  EXPECT_EQ(sim::Audio().Played(7).size(), 80u);
  sim::TheExchange().Line(1).NoWaveOut();
  EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &native, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NODRIVER);
}

}  // namespace
