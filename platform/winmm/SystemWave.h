// The machine's own wave devices. On Windows, while no wave driver has been chosen, the wave
// functions hand every call to the system's winmm, so a host on the system's TAPI plays into and
// records from its lines' real wave devices; choosing a driver (the simulated exchange does)
// keeps the calls here. Elsewhere the system has no wave devices of its own.
#pragma once

#include "WaveApi.h"

namespace winmm {

bool SystemWaveInUse();
// The system's wave function of this name; nullptr where the system has none.
void *SystemWaveFunction(const char *name);

// A system that lacks the function answers as one without a wave driver.
template <class Function, class... Arguments>
MMRESULT CallSystemWave(const char *name, Arguments... arguments) {
  auto *function = reinterpret_cast<Function *>(SystemWaveFunction(name));
  return function ? function(arguments...) : MMSYSERR_NODRIVER;
}

}  // namespace winmm

// The first statement of each wave function: the system's answer while its devices are in use.
#define CORVAX_SYSTEM_WAVE(function, ...) \
  if (winmm::SystemWaveInUse())           \
  return winmm::CallSystemWave<decltype(::function)>(#function, __VA_ARGS__)
