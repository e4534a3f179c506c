// What playback costs the process: CPU time per second of sound played in real time, while
// the calling thread waits as PlayASound does. The worker sleeps between its looks at the
// blocks, so this stays far below a core.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>

#include <sndfile.h>

#include "ProcessCpu.h"
#include "SoundLine.h"
#include "sound/Kwtapisoundthread.h"

namespace {

constexpr int kSeconds = 10;

std::string WriteSweep() {
  const auto path = std::filesystem::temp_directory_path() / "corvax-bench-playback.wav";
  SF_INFO info{};
  info.samplerate = 8000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  std::vector<short> sweep(8000 * kSeconds);
  for (size_t i = 0; i < sweep.size(); ++i) {
    const double t = static_cast<double>(i) / 8000;
    sweep[i] = static_cast<short>(8000 * std::sin(2 * std::numbers::pi * (300 + 400 * t) * t));
  }
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  sf_write_short(file, sweep.data(), static_cast<sf_count_t>(sweep.size()));
  sf_close(file);
  return path.string();
}

void BM_PlaybackCpuPerAudioSecond(benchmark::State &state) {
  TAnsweredCall call;
  const std::string path = WriteSweep();
  double cpu = 0;
  for (auto _ : state) {
    const double start = ProcessCpuSeconds();
    auto thread = std::make_unique<kwTAPISoundThread>(true);
    thread->SetupSound(path.c_str(), call.hLine);
    thread->Resume();
    const HANDLE ended = thread->Handle();
    while (thread->Busy) {
      MsgWaitForMultipleObjects(1, &ended, FALSE, 250, QS_ALLINPUT);
      PumpMessages();
    }
    thread.reset();
    cpu += ProcessCpuSeconds() - start;
  }
  std::filesystem::remove(path);
  state.counters["cpu_s_per_audio_s"] = cpu / (kSeconds * static_cast<double>(state.iterations()));
  state.counters["goal"] = 0.002;
}

}  // namespace

BENCHMARK(BM_PlaybackCpuPerAudioSecond)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
