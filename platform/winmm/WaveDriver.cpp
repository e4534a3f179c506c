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

}  // namespace winmm
