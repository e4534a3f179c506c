// On Windows a handle that ReadFile and WriteFile accept is a real kernel object; the
// simulated modem's data line offers none there.
#include "simulator/CommPort.h"

namespace sim {

bool CommPortAvailable() {
  return false;
}

HANDLE OpenCommPort() {
  return 0;
}

}  // namespace sim
