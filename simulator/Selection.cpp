#include "simulator/Selection.h"

#include "platform/winmm/WaveDriver.h"
#include "simulator/Exchange.h"

namespace sim {

void UseSimulatedExchange() {
  SetTapiProvider(&TheExchange());
  winmm::SetWaveDriver(&winmm::DefaultWaveDriver());
}

}  // namespace sim
