#include "tests/sound/SoundFixture.h"

#include <sndfile.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "Clock.h"
#include "platform/win32/FileFaults.h"
#include "platform/win32/MemoryFaults.h"

namespace sound_test {

TReadBack ReadWav(const std::string &path) {
  TReadBack read;
  SF_INFO info{};
  SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return read;
  read.opened = true;
  read.format = info.format;
  read.channels = info.channels;
  read.rate = info.samplerate;
  read.samples.resize(static_cast<size_t>(info.frames) * info.channels);
  read.samples.resize(static_cast<size_t>(
      sf_read_short(file, read.samples.data(), static_cast<sf_count_t>(read.samples.size()))));
  sf_close(file);
  return read;
}

uint32_t FileDword(const std::string &path, size_t offset) {
  const std::string bytes = component_test::ReadFile(path);
  if (bytes.size() < offset + 4) return 0xFFFFFFFFu;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

uintmax_t FileSize(const std::string &path) {
  return std::filesystem::file_size(path);
}

std::string WaveOutErrorText(MMRESULT result) {
  char text[4096];
  waveOutGetErrorTextA(result, text, sizeof text);
  return text;
}

std::shared_ptr<const std::atomic<double>> NoteWaveInStart() {
  auto at = std::make_shared<std::atomic<double>>(0);
  sim::Faults().FailWhen(
      "waveInStart",
      [at](const sim::Invocation &) {
        *at = win32::VirtualNow();
        return false;
      },
      0);
  return at;
}

void SoundTest::SetUp() {
  sim::TheExchange().Reset(1);
  sim::TheExchange().Line(0).WaveOut(kWaveOut).WaveIn(kWaveIn);
  sim::Faults().Clear();
  sim::OperationJournal().Clear();
  ForgetFarEndSound();
  win32::SetTimeScale(1000);
  LINEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  DWORD devices = 0, version = 0x00020000;
  ASSERT_EQ(lineInitializeExA(&app_, 0, nullptr, "Sound test", &devices, &version, &params), 0);
  ASSERT_EQ(lineOpenA(app_, 0, &line_, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
                      LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
            0);
  sim::TheExchange().OfferCall(0);
  LINEMESSAGE message{};
  while (lineGetMessage(app_, &message, 0) == 0) {
    if (message.dwMessageID == LINE_CALLSTATE) call_ = message.hDevice;
  }
  ASSERT_GT(lineAnswer(call_, nullptr, 0), 0);
}

void SoundTest::ForgetFarEndSound() {
  sim::Audio().Reset();
  // What the far end says is sent before the recording starts and waits for it.
  sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Queued);
}

void SoundTest::TearDown() {
  sim::Faults().Clear();
  win32::ClearAllocationFaults();
  win32::ClearFileWriteFaults();
  if (line_) lineClose(line_);
  if (app_) lineShutdown(app_);
  win32::SetTimeScale(1.0);
}

std::unique_ptr<kwTAPISoundThread> SoundTest::Play(const std::string &path) {
  auto thread = std::make_unique<kwTAPISoundThread>(true);
  thread->SetupSound(path.c_str(), line_);
  RunToEnd(*thread);
  return thread;
}

std::unique_ptr<kwTAPISoundThread> SoundTest::Record(
    const std::string &path, int iMaxBuffers,
    const std::function<void(kwTAPISoundThread &)> &onPump) {
  auto thread = std::make_unique<kwTAPISoundThread>(true);
  thread->SetupSound(path.c_str(), line_, call_, 1, iMaxBuffers);
  RunToEnd(*thread, onPump);
  return thread;
}

void SoundTest::RunToEnd(kwTAPISoundThread &thread,
                         const std::function<void(kwTAPISoundThread &)> &onPump) {
  thread.Resume();
  PumpUntil(
      [&] {
        if (onPump) onPump(thread);
        return !thread.Busy;
      },
      "the sound thread to finish");
  Pump();
}

bool SoundTest::PumpUntil(const std::function<bool()> &done, const std::string &what) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) {
      ADD_FAILURE() << "waited half a minute for " << what;
      return false;
    }
    Pump();
    Sleep(10);
  }
  return true;
}

void SoundTest::Pump() {
  MSG msg;
  while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

bool SoundTest::DevicesClosed() {
  return component_test::WaveDevicesFree(kWaveOut, kWaveIn);
}

std::vector<std::string> SoundTest::NoticeTexts() const {
  std::vector<std::string> texts;
  for (const auto &notice : notices_.Notices()) texts.push_back(notice.text);
  return texts;
}

}  // namespace sound_test
