#include "examples/Dialer.h"

TDialer::TDialer(TkwTAPI &tapi, TCallEvents &events, TTimeline &timeline,
                 const TPhoneOptions &options)
    : tapi_(tapi), events_(events), timeline_(timeline), options_(options) {}

bool TDialer::Run() {
  if (options_.assisted) return Assisted();
  timeline_.Event("Calling " + options_.number);
  if (!tapi_.MakeACall("", options_.number.c_str(), 0, false, 0, &hCall_)) {
    timeline_.Event("The line refused the call.");
    return false;
  }
  events_.ServeUntil([&] {
    const TCallFacts &call = events_.Call();
    return stopped_ || call.bEnded || !call.requestFailure.empty() ||
           call.dwCallState == LINECALLSTATE_CONNECTED || call.dwCallState == LINECALLSTATE_BUSY;
  });
  const TCallFacts &call = events_.Call();
  bool bDone = false;
  if (call.dwCallState == LINECALLSTATE_CONNECTED && !call.bEnded && !stopped_) {
    timeline_.Event("Answered; playing " + options_.play);
    AnsiString asStatus;
    bDone = tapi_.PlayASound(options_.play.c_str(), &asStatus);
    if (!bDone) timeline_.Event(std::string("The file could not be played: ") + asStatus.c_str());
  } else if (call.dwCallState == LINECALLSTATE_BUSY) {
    timeline_.Event(options_.number + " is busy.");
  } else if (!call.requestFailure.empty()) {
    timeline_.Event("The call failed: " + call.requestFailure);
  }
  HangUp();
  return bDone;
}

bool TDialer::Assisted() {
  // Assisted telephony hands the request to the application registered to place calls; this
  // program hears nothing more of it.
  const bool bTaken =
      tapi_.MakeACall(options_.number.c_str(), options_.number.c_str(), 0, false, 1, nullptr);
  timeline_.Event(bTaken ? "Assisted telephony took the request to call " + options_.number
                         : "Assisted telephony refused the request (is a dialer registered?)");
  return bTaken;
}

void TDialer::HangUp() {
  // The handle arrives with the request's completion; until then the events know it.
  DWORD hCall = hCall_ != 0 ? hCall_ : events_.Call().hCall;
  if (hCall == 0 || events_.Call().bEnded) return;
  timeline_.Event("Hanging up");
  if (tapi_.CloseCall(hCall) > 0) events_.ServeUntil([&] { return events_.Call().bEnded; });
}
