#include "WaveDriver.h"

#include <atomic>

namespace winmm {
namespace {

std::atomic<WaveDriver *> &Installed() {
  static std::atomic<WaveDriver *> driver{nullptr};
  return driver;
}

}  // namespace

WaveDriver &CurrentWaveDriver() {
  WaveDriver *driver = Installed().load();
  return driver ? *driver : DefaultWaveDriver();
}

WaveDriver *SetWaveDriver(WaveDriver *driver) {
  WaveDriver *previous = Installed().exchange(driver);
  return previous ? previous : &DefaultWaveDriver();
}

bool WaveDriverChosen() {
  return Installed().load() != nullptr;
}

MMRESULT Intercepted(const char *function, Arguments args, const std::function<int64_t()> &act) {
  return static_cast<MMRESULT>(CurrentWaveDriver().Intercept(function, std::move(args), act));
}

}  // namespace winmm
