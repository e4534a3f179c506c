// The host's handlers of the component's events: each event is written to the time line as it
// arrives, and what the host's logic needs to know about the current call is kept.
//
// The handlers only take note; acting on a call (answering, playing, recording, dropping) is
// left to the host's main flow. An event handler runs inside the component's hand-off from
// its message thread, and a long action there would hold up every later event.
#pragma once

#include <functional>
#include <string>

#include <vcl.h>

#include "component/Kwtapi.h"
#include "examples/Timeline.h"

struct TCallFacts {
  HCALL hCall = 0;         // the call being followed; 0 when there is none
  DWORD dwCallState = 0;   // its latest LINECALLSTATE_
  int iRings = 0;          // rings counted by TAPI for it
  std::string callerName;  // as the caller ID gave them; empty before
  std::string callerNumber;
  bool bEnded = false;         // it went idle and its handle was released
  std::string requestFailure;  // a request of the host that TAPI refused later
};

class TCallEvents {
 public:
  TCallEvents(TkwTAPI &tapi, TTimeline &timeline);

  const TCallFacts &Call() const { return call_; }
  // Forgets the call once the host is done with it, ready for the next one.
  void Forget() { call_ = TCallFacts{}; }
  // The reason of the latest failed open, as OnTapiError gave it.
  const std::string &OpenFailure() const { return openFailure_; }

 private:
  void OnTapiError(AnsiString asErrorDesc, int iErrorSection, int iFunctionID);
  void OnCallOffering(HCALL hCall, int iOfferingMode, int iCallPrivaledge);
  void OnCallerID(AnsiString asName, AnsiString asNumber, int iCallType, HCALL hCall);
  void OnCalledPartyID(AnsiString asName, AnsiString asNumber, int iCallType);
  void OnCallRing(int iRingCount, const HCALL &hLine);
  void OnCallConnected(AnsiString asAppName, DWORD dwBearerMode, DWORD dwMediaMode, DWORD dwRate,
                       AnsiString asCalledPartyName, AnsiString asComments, HCALL hCall);
  void OnCallDisconnected(HCALL hCall);
  void OnCallLineReply(int iRequestID, int iStatus);
  void OnCallInfo(LINEMESSAGE *cbData, LINECALLINFO *pLineCallInfo);

  void Note(const std::string &event, const std::string &text);
  // A live call becomes the current one when there is none (an outgoing call is first seen
  // in its state messages); stale messages of a call already forgotten are not followed.
  bool Follows(HCALL hCall, DWORD dwState);

  TTimeline &timeline_;
  TCallFacts call_;
  std::string openFailure_;
};

// Serves the main thread's messages, the component's events among them, until done() holds.
void ServeEventsUntil(const std::function<bool()> &done);
