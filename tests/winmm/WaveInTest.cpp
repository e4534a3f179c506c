#include <atomic>
#include <functional>
#include <span>
#include <vector>
#include <thread>

#include "Devices.h"
#include "tests/support/AudioSignals.h"
#include "platform/winmm/HandleNumber.h"
#include "platform/winmm/WaveDriver.h"
#include "tests/support/Waits.h"

namespace {

using devices::Buffer;

class WaveIn : public devices::Test {
 protected:
  void TearDown() override {
    if (device_) {
      waveInReset(device_);
      waveInClose(device_);
    }
    devices::Test::TearDown();
  }
  MMRESULT Open(UINT id, HWND window = 0) {
    const auto format = devices::Native();
    return waveInOpen(&device_, id, &format, winmm::HandleParameter(window), 0,
                      window ? CALLBACK_WINDOW : CALLBACK_NULL);
  }
  void Add(Buffer &buffer) {
    ASSERT_EQ(waveInPrepareHeader(device_, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(device_, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }

  HWAVEIN device_ = 0;
};

std::span<const int16_t> Samples(const Buffer &buffer) {
  return {reinterpret_cast<const int16_t *>(buffer.data.data()), buffer.header.dwBytesRecorded / 2};
}

TEST_F(WaveIn, DeliversFilledBuffersToTheWindowsOwnThreadOnly) {
  win32::SetTimeScale(500);
  // The tone waits for the device, however long its thread takes to start.
  sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Queued);
  sim::Audio().SendTone(0, 1000, 1.0);
  Buffer first(16000), second(16000);
  std::atomic<HWND> window{0};
  std::vector<MSG> received;
  std::thread owner([&] {
    devices::Window own;
    window = own.Handle();
    window.notify_all();
    for (MSG msg = own.Next(); received.push_back(msg), msg.message != MM_WIM_CLOSE;) {
      msg = own.Next();
    }
  });
  window.wait(0);
  ASSERT_EQ(Open(0, window), MMSYSERR_NOERROR);
  const double start = win32::VirtualNow();
  Add(first);
  Add(second);
  ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
  ASSERT_TRUE(test_support::YieldUntil([&] { return second.Done(); }, "the second buffer"));
  EXPECT_GE(win32::VirtualNow() - start, 2000) << "two seconds of sound take two seconds";
  ASSERT_EQ(waveInUnprepareHeader(device_, &first.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInUnprepareHeader(device_, &second.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInClose(device_), MMSYSERR_NOERROR);
  device_ = 0;
  owner.join();

  MSG mine{};
  EXPECT_FALSE(PeekMessageA(&mine, 0, 0, 0, PM_NOREMOVE)) << "the opening thread got nothing";
  ASSERT_EQ(received.size(), 4u);
  EXPECT_EQ(received[0].message, static_cast<UINT>(MM_WIM_OPEN));
  for (int i : {1, 2}) {
    EXPECT_EQ(received[i].message, static_cast<UINT>(MM_WIM_DATA));
    EXPECT_EQ(received[i].wParam, received[0].wParam) << "wParam is the device";
  }
  EXPECT_EQ(received[1].lParam, reinterpret_cast<LPARAM>(&first.header));
  EXPECT_EQ(received[2].lParam, reinterpret_cast<LPARAM>(&second.header));
  EXPECT_EQ(received[3].message, static_cast<UINT>(MM_WIM_CLOSE));

  EXPECT_EQ(first.header.dwBytesRecorded, 16000u);
  EXPECT_TRUE(audio_test::Dominant(Samples(first), 1000)) << "the far end's tone was recorded";
  EXPECT_EQ(second.header.dwBytesRecorded, 16000u);
  EXPECT_EQ(audio_test::Rms(Samples(second)), 0) << "silence once the far end sends nothing";
}

// Live, as on a line: sound said before the start is not heard, and a buffer holds the
// stretch of the line's sound its time covers, sample for sample.
TEST_F(WaveIn, HearsWhatTheLineCarriesFromItsStartOn) {
  win32::SetTimeScale(20);
  // Long enough to outlast any delay before the start on a busy machine.
  const auto said = audio_test::Sweep(300, 3300, 10);
  const double saidAt = sim::Audio().Send(0, said);
  ASSERT_EQ(Open(0), MMSYSERR_NOERROR);
  Buffer first(3200), second(3200);  // 200 ms each
  Add(first);
  Add(second);
  const double before = win32::VirtualNow();
  ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
  const double after = win32::VirtualNow();
  ASSERT_TRUE(test_support::YieldUntil([&] { return second.Done(); }, "the second buffer"));
  const auto heard = audio_test::Concat({Samples(first), Samples(second)});
  ASSERT_EQ(heard.size(), 3200u);
  const auto at = audio_test::Find(said, heard);
  ASSERT_TRUE(at) << "the two buffers are one stretch of what was said";
  const double startedAt = saidAt + static_cast<double>(*at) / 8;
  EXPECT_GE(startedAt, before - 0.125) << "nothing from before the start (the sample then)";
  EXPECT_LE(startedAt, after + 0.125) << "all from the start on";
}

TEST_F(WaveIn, AResetAfterTheCallEndedKeepsExactlyWhatTheLineCarried) {
  win32::SetTimeScale(10);
  const auto said = audio_test::Sweep(300, 3300, 10);
  const double saidAt = sim::Audio().Send(0, said);
  ASSERT_EQ(Open(0), MMSYSERR_NOERROR);
  Buffer buffer(160000);  // ten seconds
  Add(buffer);
  ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
  const double end = saidAt + 2000;
  sim::Audio().CallEnds(0, end);
  // The reset comes after the end, as the hang-up's message does.
  win32::SleepUntil(end + 200);
  ASSERT_EQ(waveInReset(device_), MMSYSERR_NOERROR);
  const auto heard = Samples(buffer);
  const auto at = audio_test::Find(said, heard);
  ASSERT_TRUE(at) << heard.size() << " samples";
  EXPECT_EQ(*at + heard.size(), 16000u) << "up to the end of the call, and not a sample more";
}

// The simulated exchange's devices, but the line's sound reaches the input device late, as a
// network line's does: a device hands its buffers back long after their time.
class LateSound : public winmm::WaveDriver {
 public:
  static constexpr double kDelayMs = 5000;
  int64_t Intercept(const char *function, winmm::Arguments args,
                    const std::function<int64_t()> &act) override {
    return real_.Intercept(function, std::move(args), act);
  }
  std::vector<UINT> OutputIds() override { return real_.OutputIds(); }
  std::vector<UINT> InputIds() override { return real_.InputIds(); }
  void Played(UINT id, std::span<const int16_t> samples) override { real_.Played(id, samples); }
  size_t Capture(UINT id, double from, std::span<int16_t> samples) override {
    return real_.Capture(id, from, samples);
  }
  double CaptureDelay(UINT) override { return kDelayMs; }
  void InputStarted(UINT id) override { real_.InputStarted(id); }

 private:
  winmm::WaveDriver &real_ = winmm::DefaultWaveDriver();
};

// A reset hands back all the line carried up to it, in order, however many buffers it fills:
// those whose time has passed whole, the next in part, even when the device has not yet
// handed back the earlier ones (late sound, or a device thread running late).
TEST_F(WaveIn, AResetKeepsEverythingUpToItAcrossBuffersItHasNotHandedBackYet) {
  // The device keeps the driver it was opened on until it is closed, after the test.
  static LateSound late;
  struct Installed {
    winmm::WaveDriver *previous = winmm::SetWaveDriver(&late);
    ~Installed() { winmm::SetWaveDriver(previous); }
  } installed;
  win32::SetTimeScale(10);
  const auto said = audio_test::Sweep(300, 3300, 20);
  const double saidAt = sim::Audio().Send(0, said);
  ASSERT_EQ(Open(0), MMSYSERR_NOERROR);
  Buffer first(16000), second(16000), third(16000);  // a second each
  Add(first);
  Add(second);
  Add(third);
  const double startFrom = win32::VirtualNow();
  ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
  win32::SleepUntil(startFrom + 1500);
  EXPECT_FALSE(first.Done()) << "the line's sound is not in yet";
  const double resetFrom = win32::VirtualNow();
  ASSERT_EQ(waveInReset(device_), MMSYSERR_NOERROR);
  const double resetTo = win32::VirtualNow();
  EXPECT_TRUE(first.Done() && second.Done() && third.Done());
  EXPECT_EQ(first.header.dwBytesRecorded, 16000u);
  EXPECT_EQ(third.header.dwBytesRecorded, 0u);
  const auto heard = audio_test::Concat({Samples(first), Samples(second)});
  EXPECT_TRUE(audio_test::StretchSaidBetween(heard, said, saidAt, {startFrom, resetFrom - 1000},
                                             {resetFrom, resetTo}));
}

// Queued, the far end's sound waits for the device: a reset keeps what the buffer took.
TEST_F(WaveIn, ResetReturnsThePartlyFilledBufferWithWhatItHolds) {
  sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Queued);
  std::vector<int16_t> sent(80000, 1234);
  sim::Audio().Send(1, sent);
  devices::Window window;
  ASSERT_EQ(Open(1, window.Handle()), MMSYSERR_NOERROR);
  Buffer first(160000), second(160000);  // ten seconds each
  Add(first);
  Add(second);
  ASSERT_EQ(waveInStart(device_), MMSYSERR_NOERROR);
  Sleep(300);
  ASSERT_EQ(waveInReset(device_), MMSYSERR_NOERROR);
  EXPECT_TRUE(first.Done() && second.Done());
  EXPECT_GE(first.header.dwBytesRecorded, 4800u) << "at least the 300 ms that passed";
  EXPECT_LT(first.header.dwBytesRecorded, 160000u);
  EXPECT_EQ(first.header.dwBytesRecorded % 2, 0u);
  EXPECT_EQ(Samples(first)[0], 1234);
  EXPECT_EQ(second.header.dwBytesRecorded, 0u);
  EXPECT_EQ(sim::Audio().Pending(1), 80000 - first.header.dwBytesRecorded / 2);

  EXPECT_EQ(window.Next().message, static_cast<UINT>(MM_WIM_OPEN));
  EXPECT_EQ(window.Next().lParam, reinterpret_cast<LPARAM>(&first.header));
  EXPECT_EQ(window.Next().lParam, reinterpret_cast<LPARAM>(&second.header));
  EXPECT_TRUE(window.Empty());
}

TEST_F(WaveIn, KeepsBuffersUntilStartedAndRefusesToCloseWhileHoldingThem) {
  ASSERT_EQ(Open(0), MMSYSERR_NOERROR);
  Buffer buffer(1600);
  EXPECT_EQ(waveInAddBuffer(device_, &buffer.header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  Add(buffer);
  EXPECT_EQ(waveInAddBuffer(device_, &buffer.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInClose(device_), WAVERR_STILLPLAYING);
  EXPECT_FALSE(buffer.Done()) << "nothing is recorded before the start";
  ASSERT_EQ(waveInReset(device_), MMSYSERR_NOERROR);
  EXPECT_TRUE(buffer.Done());
  EXPECT_EQ(buffer.header.dwBytesRecorded, 0u);
  EXPECT_EQ(waveInClose(device_), MMSYSERR_NOERROR);
  device_ = 0;
}

TEST_F(WaveIn, OpensTheNativeFormatOfPresentDevicesOnly) {
  auto format = devices::Native();
  const HWND unused_window = winmm::HandleFromParameter<HWND>(12345);
  // A callback handle with CALLBACK_NULL is ignored, as the recorder's format query passes one.
  EXPECT_EQ(
      waveInOpen(nullptr, 0, &format, winmm::HandleParameter(unused_window), 0, WAVE_FORMAT_QUERY),
      MMSYSERR_NOERROR);
  EXPECT_EQ(waveInOpen(nullptr, 42, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_BADDEVICEID);
  format.nSamplesPerSec = 11025;
  EXPECT_EQ(waveInOpen(nullptr, 0, &format, 0, 0, WAVE_FORMAT_QUERY | WAVE_MAPPED),
            WAVERR_BADFORMAT);
  ASSERT_EQ(Open(0), MMSYSERR_NOERROR);
  HWAVEIN second = 0;
  const auto native = devices::Native();
  EXPECT_EQ(waveInOpen(&second, 0, &native, 0, 0, 0), MMSYSERR_ALLOCATED);
  EXPECT_EQ(waveInClose(device_ + 999), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveIn, EveryOperationCanBeMadeToFailAndIsJournaled) {
  sim::Faults().FailNext("waveInOpen", MMSYSERR_ALLOCATED);
  EXPECT_EQ(Open(0), MMSYSERR_ALLOCATED);
  ASSERT_EQ(Open(0), MMSYSERR_NOERROR);
  Buffer buffer(320);
  const devices::InjectedFailure operations[] = {
      {"waveInPrepareHeader", MMSYSERR_NOMEM,
       [&] { return waveInPrepareHeader(device_, &buffer.header, sizeof(WAVEHDR)); }},
      {"waveInAddBuffer", MMSYSERR_ERROR,
       [&] { return waveInAddBuffer(device_, &buffer.header, sizeof(WAVEHDR)); }},
      {"waveInStart", MMSYSERR_NODRIVER, [&] { return waveInStart(device_); }},
      {"waveInReset", MMSYSERR_HANDLEBUSY, [&] { return waveInReset(device_); }},
      {"waveInUnprepareHeader", MMSYSERR_ERROR,
       [&] { return waveInUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR)); }},
      {"waveInClose", MMSYSERR_HANDLEBUSY, [&] { return waveInClose(device_); }},
  };
  devices::ExpectEachFailsWithItsCode(operations);
  const auto &journal = sim::OperationJournal();
  EXPECT_LT(journal.Find("waveInOpen"), journal.Find("waveInPrepareHeader"));
}

}  // namespace
