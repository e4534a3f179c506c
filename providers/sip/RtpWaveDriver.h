// The SIP lines' wave devices: each line's "wave/out" and "wave/in" (ids equal to the line's
// device id) carry its call's sound; everything else about the devices (opening, formats,
// pacing by the platform clock, faults, journal) is the exchange's, as for simulated lines.
#pragma once

#include "WaveDriver.h"
#include "providers/sip/AudioRoutes.h"

namespace sipnet {

class RtpWaveDriver : public winmm::WaveDriver {
 public:
  explicit RtpWaveDriver(AudioRoutes &routes) : routes_(routes) {}

  int64_t Intercept(const char *function, winmm::Arguments args,
                    const std::function<int64_t()> &act) override;
  std::vector<UINT> OutputIds() override;
  std::vector<UINT> InputIds() override;
  void Played(UINT output_id, std::span<const int16_t> samples) override;
  size_t Capture(UINT input_id, double from, std::span<int16_t> samples) override;
  double CaptureDelay(UINT input_id) override;
  void InputStarted(UINT input_id) override;

 private:
  AudioRoutes &routes_;
};

}  // namespace sipnet
