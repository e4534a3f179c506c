// On Linux the simulated exchange is the library's embedded default provider, and there is no
// system TAPI.
#include "simulator/Exchange.h"

TapiProvider &DefaultTapiProvider() {
  return sim::TheExchange();
}

TapiProvider *SystemTapiProvider() {
  return nullptr;
}
