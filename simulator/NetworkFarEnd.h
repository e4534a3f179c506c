// A far end on a real network in place of a scripted one. The exchange keeps the applications'
// side of every call (instances, handles, states, messages, records) and tells the network
// what the applications do; the network reports back through the exchange's far-end methods
// (OfferCall, Ring, Connect, Ringback, Answer, Busy, HangUp, DigitDetected, DigitsPlayed) as
// its peers act.
#pragma once

#include <string>

#include "simulator/Call.h"
#include "simulator/LineDevice.h"

namespace sim {

// Called with the exchange locked: take note and act later, never call back into it at once.
class NetworkFarEnd {
 public:
  virtual ~NetworkFarEnd() = default;

  // The application answered an offered call; the network calls Connect once it is up.
  virtual void Answering(CallId call) = 0;
  // The application placed a call to `destAddress` on the device.
  virtual void Placing(CallId call, DWORD deviceId, const std::string &destAddress) = 0;
  // The application asked for a beep of `milliseconds` into the call.
  virtual void Beeping(CallId call, DWORD milliseconds) = 0;
  // The call went idle on the applications' side, whoever ended it.
  virtual void Ended(CallId call) = 0;

  // Touch tones. The LINEDIGITMODE_ modes the network reports with DigitDetected and plays
  // with GeneratingDigits: none by default, so that its lines advertise none, whatever their
  // setup says.
  virtual DigitModes Digits() const { return {}; }
  // The application asked for `digits` (0-9 * # A-D, ',' a pause of kDigitPauseMs) into the
  // call, each tone and each gap after it `milliseconds` long. They replace any still being
  // played; empty: stop playing. Once the last has been sent, the network calls DigitsPlayed.
  virtual void GeneratingDigits(CallId /*call*/, const std::string & /*digits*/,
                                DWORD /*milliseconds*/) {}
};

}  // namespace sim
