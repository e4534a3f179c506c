// A far end on a real network in place of a scripted one. The exchange keeps the applications'
// side of every call (instances, handles, states, messages, records) and tells the network
// what the applications do; the network reports back through the exchange's far-end methods
// (OfferCall, Ring, Connect, Ringback, Answer, Busy, HangUp) as its peers act.
#pragma once

#include <string>

#include "simulator/Call.h"

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
};

}  // namespace sim
