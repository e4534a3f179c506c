#include "examples/LineSession.h"

#include <stdexcept>

#include "examples/PhoneOptions.h"

namespace {

std::string NameOf(TkwTAPI &tapi, DWORD dwDevice) {
  try {
    return tapi.GetLineName(tapi.GetDeviceCapabilities(dwDevice, false)).c_str();
  } catch (Exception &) {
    return "";  // the report is only for display
  }
}

}  // namespace

TLineSession::TLineSession(TkwTAPI &tapi, const TCallEvents &events, DWORD dwDevice, bool bChoose)
    : tapi_(tapi), dwDevice_(dwDevice) {
  // Errors are not suppressed: OnTapiError tells the events object why an open failed.
  if (tapi.OpenDevice(dwDevice_, bChoose, false)) {
    name_ = NameOf(tapi, dwDevice_);
    return;
  }
  const DWORD dwCount = tapi.TAPIDevicesDetected;
  tapi.CloseDevice();  // a failed open may leave a TAPI instance behind
  if (bChoose && dwDevice_ == 0xFFFFFFFF) throw std::runtime_error("no line device was chosen");
  if (dwCount > 0 && dwDevice_ >= dwCount) {
    throw TUsageError("line device " + std::to_string(dwDevice_) + " does not exist (there are " +
                      std::to_string(dwCount) + ", numbered 0 to " + std::to_string(dwCount - 1) +
                      "); list them with: corvax-phone devices");
  }
  throw std::runtime_error("cannot open line device " + std::to_string(dwDevice_) + ": " +
                           events.OpenFailure());
}

TLineSession::~TLineSession() {
  tapi_.CloseDevice();
}
