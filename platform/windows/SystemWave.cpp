// The system's winmm.dll, found at run time: the library's own wave functions keep the names the
// component links to, and forward to it while no driver has been chosen.
#include "platform/winmm/SystemWave.h"

#include "platform/winmm/WaveDriver.h"

namespace winmm {

bool SystemWaveInUse() {
  return !WaveDriverChosen();
}

void *SystemWaveFunction(const char *name) {
  static const HMODULE system = LoadLibraryA("winmm.dll");
  if (system == nullptr) return nullptr;
  return reinterpret_cast<void *>(GetProcAddress(system, name));
}

}  // namespace winmm
