#include "providers/sip/RtpWaveDriver.h"

#include <algorithm>

namespace sipnet {

int64_t RtpWaveDriver::Intercept(const char *function, winmm::Arguments args,
                                 const std::function<int64_t()> &act) {
  return winmm::DefaultWaveDriver().Intercept(function, std::move(args), act);
}

std::vector<UINT> RtpWaveDriver::OutputIds() {
  return winmm::DefaultWaveDriver().OutputIds();
}

std::vector<UINT> RtpWaveDriver::InputIds() {
  return winmm::DefaultWaveDriver().InputIds();
}

void RtpWaveDriver::Played(UINT output_id, std::span<const int16_t> samples) {
  // Sound played while no call is up goes nowhere, as on a line with nobody on it.
  if (const auto audio = routes_.Of(output_id)) audio->Played(samples);
}

size_t RtpWaveDriver::Capture(UINT input_id, double from, std::span<int16_t> samples) {
  if (const auto audio = routes_.Of(input_id)) return audio->Capture(from, samples);
  // A line that has had no call is silent.
  std::fill(samples.begin(), samples.end(), int16_t{0});
  return samples.size();
}

double RtpWaveDriver::CaptureDelay(UINT /*input_id*/) {
  return CallAudio::kArrivalMs;
}

void RtpWaveDriver::InputStarted(UINT input_id) {
  if (const auto audio = routes_.Of(input_id)) audio->Listening();
}

}  // namespace sipnet
