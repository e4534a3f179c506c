// What the wave functions stand on: the devices that exist, where played sound goes and
// where recorded sound comes from. The simulated exchange is the default driver.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "MmRecords.h"

namespace winmm {

using Arguments = std::vector<std::pair<std::string, std::string>>;

// Devices carry sound in one native format: 8 kHz, 16-bit, mono PCM.
class WaveDriver {
 public:
  virtual ~WaveDriver() = default;

  // Every wave and multimedia-file function passes through here with its arguments; the
  // driver runs `act` or answers in its place (a failure it was told to produce).
  virtual int64_t Intercept(const char *function, Arguments args,
                            const std::function<int64_t()> &act) = 0;

  // Device ids in ascending order.
  virtual std::vector<UINT> OutputIds() = 0;
  virtual std::vector<UINT> InputIds() = 0;

  // Called on the device's thread as the output device plays, with each stretch once it has
  // sounded, in order; while a buffer plays a stretch is no longer than kPlayedStretchMs, or
  // than a millisecond of real time on a faster clock.
  virtual void Played(UINT output_id, std::span<const int16_t> samples) = 0;
  // What the input device hears from the virtual time `from` (platform clock ms) on, as a
  // sound card hears its line: fills `samples`, silence where nothing was heard, and returns
  // how many of them the line carried: all while its call's sound goes on, fewer when that
  // sound ended inside the window (the far end hung up) or has not reached the device yet.
  virtual size_t Capture(UINT input_id, double from, std::span<int16_t> samples) = 0;
  // How long after its time the line's sound reaches the input device (ms): a device hands a
  // buffer back that much after the buffer's end. 0 for sound known as it is said.
  virtual double CaptureDelay(UINT input_id) = 0;
  // Called as an input device starts hearing its line (waveInStart).
  virtual void InputStarted(UINT input_id) = 0;
};

constexpr double kPlayedStretchMs = 20;

WaveDriver &DefaultWaveDriver();  // provided by the simulated exchange
WaveDriver &CurrentWaveDriver();
// Installs `driver` (nullptr restores the default) and returns the one it replaces.
WaveDriver *SetWaveDriver(WaveDriver *driver);
// Whether a driver has been installed: until then, on Windows, the system's devices serve.
bool WaveDriverChosen();

// Runs one multimedia function through the current driver; its result as the function's.
MMRESULT Intercepted(const char *function, Arguments args, const std::function<int64_t()> &act);

}  // namespace winmm
