// The simulated exchange as the wave driver: its lines' wave devices, with their sound
// going to and coming from the far end, and every wave and multimedia-file call passing
// through the exchange's fault plan and journal.
#pragma once

#include <mutex>
#include <vector>

#include "WaveDriver.h"

namespace sim {

class WaveDevices : public winmm::WaveDriver {
 public:
  int64_t Intercept(const char *function, winmm::Arguments args,
                    const std::function<int64_t()> &act) override;
  std::vector<UINT> OutputIds() override;
  std::vector<UINT> InputIds() override;
  void Played(UINT output_id, std::span<const int16_t> samples) override;
  size_t Capture(UINT input_id, double from, std::span<int16_t> samples) override;
  double CaptureDelay(UINT input_id) override;
  void InputStarted(UINT input_id) override;
};

}  // namespace sim
