// What recording costs the process: CPU time per second of sound, recorded in real time
// while the calling thread pumps its messages every 250 ms as RecordASound does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <numbers>
#include <cmath>

#include "ProcessCpu.h"
#include "SoundLine.h"
#include "simulator/FarEndAudio.h"
#include "sound/Kwtapisoundthread.h"

namespace {

constexpr int kSeconds = 3;

void BM_RecordingCpuPerAudioSecond(benchmark::State &state) {
  TAnsweredCall call;
  const std::string path =
      (std::filesystem::temp_directory_path() / "corvax-bench-recording.wav").string();
  double cpu = 0;
  for (auto _ : state) {
    // Sound that never reads as silence, so the length limit ends the recording.
    std::vector<int16_t> tone(8000 * (kSeconds + 1));
    for (size_t i = 0; i < tone.size(); ++i)
      tone[i] = static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * (i + 1) / 8));
    sim::Audio().Reset();
    sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Queued);
    sim::Audio().Send(*sim::TheExchange().WaveInId(0), tone);
    const double start = ProcessCpuSeconds();
    auto thread = std::make_unique<kwTAPISoundThread>(true);
    thread->SetupSound(path.c_str(), call.hLine, call.hCall, 1, kSeconds);
    thread->Resume();
    while (thread->Busy) {
      Sleep(250);
      PumpMessages();
    }
    thread.reset();
    cpu += ProcessCpuSeconds() - start;
  }
  std::filesystem::remove(path);
  state.counters["cpu_s_per_audio_s"] = cpu / (kSeconds * static_cast<double>(state.iterations()));
  state.counters["goal"] = 0.001;
}

}  // namespace

BENCHMARK(BM_RecordingCpuPerAudioSecond)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
