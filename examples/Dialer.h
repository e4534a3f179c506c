// The dialler: places one call, plays a file into it when the far end answers, hangs up.
#pragma once

#include "component/Kwtapi.h"
#include "examples/CallEvents.h"
#include "examples/PhoneOptions.h"
#include "examples/Timeline.h"

class TDialer {
 public:
  TDialer(TkwTAPI &tapi, TCallEvents &events, TTimeline &timeline, const TPhoneOptions &options);

  // True when the call was placed (or handed to assisted telephony) and ended normally.
  bool Run();
  // Ctrl-C: gives up waiting for the far end and drops the call.
  void Stop() { stopped_ = true; }

 private:
  bool Assisted();
  void HangUp();

  TkwTAPI &tapi_;
  TCallEvents &events_;
  TTimeline &timeline_;
  const TPhoneOptions &options_;
  bool stopped_ = false;
  // TAPI writes the new call's handle here when the request completes, after MakeACall has
  // returned, so it lives as long as the dialler.
  DWORD hCall_ = 0;
};
