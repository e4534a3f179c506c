#include "SystemWave.h"

namespace winmm {

bool SystemWaveInUse() {
  return false;
}

void *SystemWaveFunction(const char *) {
  return nullptr;
}

}  // namespace winmm
