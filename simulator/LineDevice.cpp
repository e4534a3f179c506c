#include "simulator/LineDevice.h"

namespace sim {

LineDevice LineDevice::Default(DWORD deviceId) {
  LineDevice device;
  device.name = "Corvax Simulated Line " + std::to_string(deviceId);
  device.permanentLineId = 0x1000 + deviceId;
  device.waveOutId = deviceId;
  device.waveInId = deviceId;
  device.commPortName = "Corvax Simulated Modem " + std::to_string(deviceId);
  return device;
}

}  // namespace sim
