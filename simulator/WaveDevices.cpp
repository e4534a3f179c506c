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

size_t WaveDevices::Capture(UINT input_id, double from, std::span<int16_t> samples) {
  return Audio().Record(input_id, from, samples);
}

double WaveDevices::CaptureDelay(UINT /*input_id*/) {
  // The far end's sound is on the line as it is said.
  return 0;
}

void WaveDevices::InputStarted(UINT /*input_id*/) {
  // The far end hears the beep as the application asks for it.
}

}  // namespace sim

namespace winmm {

WaveDriver &DefaultWaveDriver() {
  static sim::WaveDevices devices;
  return devices;
}

}  // namespace winmm
