#include "simulator/WaveDevices.h"

#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Operation.h"

namespace sim {

int64_t WaveDevices::Intercept(const char *function, winmm::Arguments args,
                               const std::function<int64_t()> &act) {
  return Perform(Invocation{function, std::move(args)}, act);
}

std::vector<UINT> WaveDevices::OutputIds() {
  return TheExchange().WaveOutIds();
}

std::vector<UINT> WaveDevices::InputIds() {
  return TheExchange().WaveInIds();
}

void WaveDevices::Played(UINT output_id, std::span<const int16_t> samples) {
  Audio().Play(output_id, samples);
}

void WaveDevices::Capture(UINT input_id, std::span<int16_t> samples) {
  Audio().Record(input_id, samples);
}

}  // namespace sim

namespace winmm {

WaveDriver &DefaultWaveDriver() {
  static sim::WaveDevices devices;
  return devices;
}

}  // namespace winmm
