// The host's handlers of the component's events: each event is written to the time line as it
// arrives, and what the host's logic needs to know about the current call is kept. A handler
// that raises ends the line's serving, not the component's message thread: its exception is
// raised again on the line's own thread, where the host (or a supervisor) sees it.
//
// The handlers only take note; acting on a call (answering, playing, recording, dropping) is
// left to the host's main flow. An event handler runs inside the component's hand-off from
// its message thread, and a long action there would hold up every later event.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>

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
  std::string keys;            // touch-tone keys the caller pressed, not yet taken by the host

  // The far end has gone: disconnected, or already idle.
  bool Over() const { return bEnded || dwCallState == LINECALLSTATE_DISCONNECTED; }
};

class TCallEvents {
 public:
  TCallEvents(TkwTAPI &tapi, TTimeline &timeline);

  const TCallFacts &Call() const { return call_; }
  // Forgets the call once the host is done with it; a call offered after it had ended and
  // before this becomes the current one.
  void Forget();
  // The reason of the latest failed open, as OnTapiError gave it.
  const std::string &OpenFailure() const { return openFailure_; }
  // Runs `act` (a short one, such as stopping a playback) from the handler that sees the
  // current call end; an empty function runs nothing.
  void WhenCallEnds(std::function<void()> act) { whenCallEnds_ = std::move(act); }
  // Runs `act` (a short one) from the handler that sees the caller press a key, after the key
  // is kept in the call's facts; an empty function runs nothing.
  void WhenKeyPressed(std::function<void(char)> act) { whenKeyPressed_ = std::move(act); }
  // The oldest key the caller pressed that the host has not taken; 0 when there is none.
  char TakeKey();

  // Serves the thread's messages, the component's events among them, until done() holds.
  // Raises the exception a handler raised since the last look.
  void ServeUntil(const std::function<bool()> &done);
  // Raises the exception a handler raised since the last look, if any.
  void RaiseHandlerFailure();

  // Binds `event` to `handler` as this object binds its own: an exception it raises is kept
  // for RaiseHandlerFailure. Also for a host's handler added to these.
  template <class... Args, class Handler>
  void Handle(TClosure<void(Args...)> &event, Handler handler) {
    handlers_.Set(event, [this, handler](Args... args) {
      try {
        handler(std::forward<Args>(args)...);
      } catch (...) {
        if (!handlerFailure_) handlerFailure_ = std::current_exception();
      }
    });
  }

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
  void OnCallDigit(TObject *Sender, HCALL hCall, char cDigit);

  void Note(const std::string &event, const std::string &text);
  // A live call becomes the current one when there is none (an outgoing call is first seen
  // in its state messages); stale messages of a call already forgotten are not followed.
  bool Follows(HCALL hCall, DWORD dwState);
  // The current call or the next one, whichever `hCall` is; null for neither.
  TCallFacts *FactsOf(HCALL hCall);

  void NoteCallOver();
  template <class... Args>
  void HandleWith(TClosure<void(Args...)> &event, void (TCallEvents::*method)(Args...)) {
    Handle(event, [this, method](Args... args) { (this->*method)(std::forward<Args>(args)...); });
  }

  TEventHandlers handlers_;
  std::exception_ptr handlerFailure_;
  TTimeline &timeline_;
  TCallFacts call_;
  // An owned call offered once the current one had ended, which the host still finishes.
  std::optional<TCallFacts> next_;
  std::function<void()> whenCallEnds_;
  std::function<void(char)> whenKeyPressed_;
  std::string openFailure_;
};
