// How long a playback of a large WAV file takes to start: from the start of the sound
// thread until its first block is queued, beside sox decoding the same file to nothing.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "SoundLine.h"
#include "WaveDriver.h"
#include "sound/Kwtapisoundthread.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kDataBytes = 100u << 20;

// The default driver, noting when the first block reaches the device.
class FirstWriteWatch : public winmm::WaveDriver {
 public:
  int64_t Intercept(const char *function, winmm::Arguments args,
                    const std::function<int64_t()> &act) override {
    if (std::string_view(function) == "waveOutWrite" && !written_.exchange(true))
      firstWrite_ = Clock::now();
    return inner_.Intercept(function, std::move(args), act);
  }
  std::vector<UINT> OutputIds() override { return inner_.OutputIds(); }
  std::vector<UINT> InputIds() override { return inner_.InputIds(); }
  void Played(UINT id, std::span<const int16_t> samples) override { inner_.Played(id, samples); }
  size_t Capture(UINT id, double from, std::span<int16_t> samples) override {
    return inner_.Capture(id, from, samples);
  }
  double CaptureDelay(UINT id) override { return inner_.CaptureDelay(id); }
  void InputStarted(UINT id) override { inner_.InputStarted(id); }

  bool Written() const { return written_; }
  Clock::time_point FirstWrite() const { return firstWrite_; }

 private:
  winmm::WaveDriver &inner_ = winmm::DefaultWaveDriver();
  std::atomic<bool> written_{false};
  Clock::time_point firstWrite_;
};

// 100 MB of 16-bit mono 8 kHz sound (a ramp) behind a plain 44-byte header.
std::string WriteLargeWav() {
  const auto path = (std::filesystem::temp_directory_path() / "corvax-bench-large.wav").string();
  FILE *file = std::fopen(path.c_str(), "wb");
  auto dword = [&](uint32_t value) { std::fwrite(&value, 4, 1, file); };
  auto word = [&](uint16_t value) { std::fwrite(&value, 2, 1, file); };
  std::fwrite("RIFF", 1, 4, file);
  dword(kDataBytes + 36);
  std::fwrite("WAVEfmt ", 1, 8, file);
  dword(16);
  word(1), word(1), dword(8000), dword(16000), word(2), word(16);
  std::fwrite("data", 1, 4, file);
  dword(kDataBytes);
  std::vector<int16_t> chunk(1 << 20);
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<int16_t>(i * 37);
  for (uint32_t written = 0; written < kDataBytes; written += chunk.size() * 2)
    std::fwrite(chunk.data(), 2, chunk.size(), file);
  std::fclose(file);
  return path;
}

double SoxSeconds(const std::string &path) {
  const auto start = Clock::now();
  const std::string command = "sox '" + path + "' -n";
  if (std::system(command.c_str()) != 0) return -1;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double PreparationSeconds(const std::string &path, const TAnsweredCall &call) {
  FirstWriteWatch watch;
  winmm::WaveDriver *previous = winmm::SetWaveDriver(&watch);
  auto thread = std::make_unique<kwTAPISoundThread>(true);
  thread->SetupSound(path.c_str(), call.hLine);
  const auto start = Clock::now();
  thread->Resume();
  while (!watch.Written() && thread->Busy) Sleep(1);
  const double seconds = std::chrono::duration<double>(watch.FirstWrite() - start).count();
  thread.reset();  // the rest of the sound is not waited for
  winmm::SetWaveDriver(previous);
  return watch.Written() ? seconds : -1;
}

void BM_PlaybackPreparationAgainstSox(benchmark::State &state) {
  const std::string path = WriteLargeWav();
  SoxSeconds(path);  // both read the file from the page cache
  double ours = 0, sox = 0;
  for (auto _ : state) {
    TAnsweredCall line;
    ours += PreparationSeconds(path, line);
    sox += SoxSeconds(path);
  }
  std::filesystem::remove(path);
  const double n = static_cast<double>(state.iterations());
  state.counters["ours_s"] = ours / n;
  state.counters["sox_s"] = sox / n;
  state.counters["ratio"] = ours / sox;
  state.counters["goal"] = 2.0;
}

}  // namespace

BENCHMARK(BM_PlaybackPreparationAgainstSox)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);
