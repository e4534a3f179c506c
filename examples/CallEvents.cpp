#include "examples/CallEvents.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

std::string Str(const AnsiString &text) {
  return text.c_str();
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
  return text;
}

std::string CallStateName(DWORD dwState) {
  static const std::map<DWORD, const char *> names = {
      {LINECALLSTATE_IDLE, "idle"},
      {LINECALLSTATE_OFFERING, "offering"},
      {LINECALLSTATE_ACCEPTED, "accepted"},
      {LINECALLSTATE_DIALTONE, "dial tone"},
      {LINECALLSTATE_DIALING, "dialing"},
      {LINECALLSTATE_RINGBACK, "ringback"},
      {LINECALLSTATE_BUSY, "busy"},
      {LINECALLSTATE_SPECIALINFO, "special information"},
      {LINECALLSTATE_CONNECTED, "connected"},
      {LINECALLSTATE_PROCEEDING, "proceeding"},
      {LINECALLSTATE_ONHOLD, "on hold"},
      {LINECALLSTATE_CONFERENCED, "conferenced"},
      {LINECALLSTATE_DISCONNECTED, "disconnected"},
      {LINECALLSTATE_UNKNOWN, "unknown"}};
  const auto found = names.find(dwState);
  return found != names.end() ? found->second : "state " + Hex(dwState);
}

std::string MessageName(DWORD dwMessageID) {
  static const std::map<DWORD, const char *> names = {
      {LINE_CALLINFO, "LINE_CALLINFO"},
      {LINE_CALLSTATE, "LINE_CALLSTATE"},
      {LINE_LINEDEVSTATE, "LINE_LINEDEVSTATE"},
      {LINE_REPLY, "LINE_REPLY"},
      {LINE_CLOSE, "LINE_CLOSE"},
      {LINE_ADDRESSSTATE, "LINE_ADDRESSSTATE"},
      {LINE_APPNEWCALL, "LINE_APPNEWCALL"},
      {LINE_MONITORDIGITS, "LINE_MONITORDIGITS"},
      {LINE_GENERATE, "LINE_GENERATE (the beep is done)"}};
  const auto found = names.find(dwMessageID);
  return found != names.end() ? found->second : "message " + std::to_string(dwMessageID);
}

// The call-type code of the identification events.
std::string IdentityOf(const std::string &name, const std::string &number, int iCallType) {
  switch (iCallType) {
    case 1:
      return "withheld by the caller";
    case 2:
      return "out of the service area";
    case 3:
      return "unknown";
    case 4:
      return "unavailable";
    default:
      return name + ", " + number;
  }
}

std::string TapiText(LONG code) {
  char szText[4096] = {};
  return TapiErrorText(code, szText);
}

}  // namespace

TCallEvents::TCallEvents(TkwTAPI &tapi, TTimeline &timeline) : timeline_(timeline) {
  HandleWith(tapi.OnTapiError, &TCallEvents::OnTapiError);
  HandleWith(tapi.OnCallOfferingEvent, &TCallEvents::OnCallOffering);
  HandleWith(tapi.OnCallerIDEvent, &TCallEvents::OnCallerID);
  HandleWith(tapi.OnCalledPartyIDEvent, &TCallEvents::OnCalledPartyID);
  HandleWith(tapi.OnCallRingEvent, &TCallEvents::OnCallRing);
  HandleWith(tapi.OnCallConnectedEvent, &TCallEvents::OnCallConnected);
  HandleWith(tapi.OnCallDisconnectedEvent, &TCallEvents::OnCallDisconnected);
  HandleWith(tapi.OnCallLineReplyEvent, &TCallEvents::OnCallLineReply);
  HandleWith(tapi.OnCallInfoEvent, &TCallEvents::OnCallInfo);
  HandleWith(tapi.OnCallDigitEvent, &TCallEvents::OnCallDigit);
}

void TCallEvents::Note(const std::string &event, const std::string &text) {
  std::string name = event;
  name.resize(std::max<size_t>(name.size(), 24), ' ');
  timeline_.Event(name + text);
}

bool TCallEvents::Follows(HCALL hCall, DWORD dwState) {
  const bool bLive = dwState != LINECALLSTATE_IDLE && dwState != LINECALLSTATE_DISCONNECTED;
  if (call_.hCall == 0 && bLive) call_.hCall = hCall;
  return hCall == call_.hCall;
}

// Only OpenDevice raises it; the host reports the reason itself in its one-line error.
void TCallEvents::OnTapiError(AnsiString asErrorDesc, int, int) {
  openFailure_ = Str(asErrorDesc);
}

void TCallEvents::OnCallOffering(HCALL hCall, int, int iCallPrivaledge) {
  Note("OnCallOfferingEvent",
       "incoming call " + Hex(hCall) +
           (iCallPrivaledge == LINECALLPRIVILEGE_OWNER ? ", ours to answer" : ", watched only"));
  if (iCallPrivaledge != LINECALLPRIVILEGE_OWNER) return;
  TCallFacts offered;
  offered.hCall = hCall;
  offered.dwCallState = LINECALLSTATE_OFFERING;
  // A caller who rings as soon as the last one has hung up is kept for after it.
  if (call_.hCall == 0)
    call_ = offered;
  else if (call_.bEnded && !next_)
    next_ = offered;
}

void TCallEvents::Forget() {
  call_ = next_.value_or(TCallFacts{});
  next_.reset();
}

TCallFacts *TCallEvents::FactsOf(HCALL hCall) {
  if (hCall != 0 && hCall == call_.hCall) return &call_;
  if (next_ && hCall == next_->hCall) return &*next_;
  return nullptr;
}

void TCallEvents::OnCallerID(AnsiString asName, AnsiString asNumber, int iCallType, HCALL hCall) {
  Note("OnCallerIDEvent", "caller: " + IdentityOf(Str(asName), Str(asNumber), iCallType));
  TCallFacts *pCall = FactsOf(hCall);
  if (pCall == nullptr) return;
  pCall->callerName = Str(asName);
  pCall->callerNumber = Str(asNumber);
}

void TCallEvents::OnCalledPartyID(AnsiString asName, AnsiString asNumber, int iCallType) {
  Note("OnCalledPartyIDEvent", "called: " + IdentityOf(Str(asName), Str(asNumber), iCallType));
}

void TCallEvents::OnCallRing(int iRingCount, const HCALL &) {
  Note("OnCallRingEvent", "ring " + std::to_string(iRingCount));
  // The line rings for the newest call.
  TCallFacts &ringing = next_ ? *next_ : call_;
  if (ringing.hCall != 0) ringing.iRings = iRingCount;
}

void TCallEvents::OnCallConnected(AnsiString, DWORD, DWORD, DWORD, AnsiString, AnsiString,
                                  HCALL hCall) {
  Note("OnCallConnectedEvent", "call " + Hex(hCall) + " connected");
}

void TCallEvents::OnCallDisconnected(HCALL hCall) {
  Note("OnCallDisconnectedEvent", "call " + Hex(hCall) + " is over; its handle is released");
  if (next_ && hCall == next_->hCall) next_->bEnded = true;
  if (hCall != call_.hCall) return;
  call_.bEnded = true;
  NoteCallOver();
}

void TCallEvents::NoteCallOver() {
  if (whenCallEnds_) whenCallEnds_();
}

void TCallEvents::OnCallLineReply(int iRequestID, int iStatus) {
  Note("OnCallLineReplyEvent",
       "request " + std::to_string(iRequestID) +
           (iStatus == 0 ? " done" : " failed: " + TapiText(static_cast<LONG>(iStatus))));
  if (iStatus != 0) call_.requestFailure = TapiText(static_cast<LONG>(iStatus));
}

void TCallEvents::OnCallInfo(LINEMESSAGE *cbData, LINECALLINFO *) {
  std::string text = MessageName(cbData->dwMessageID);
  if (cbData->dwMessageID == LINE_CALLSTATE) {
    text += ": call " + Hex(cbData->hDevice) + " " + CallStateName(cbData->dwParam1);
    if (next_ && cbData->hDevice == next_->hCall) {
      next_->dwCallState = cbData->dwParam1;
    } else if (Follows(cbData->hDevice, cbData->dwParam1) && !call_.bEnded) {
      call_.dwCallState = cbData->dwParam1;
      if (call_.Over()) NoteCallOver();
    }
  }
  Note("OnCallInfoEvent", text);
}

void TCallEvents::OnCallDigit(TObject *, HCALL hCall, char cDigit) {
  Note("OnCallDigitEvent", "call " + Hex(hCall) + ": key " + std::string(1, cDigit));
  if (hCall != call_.hCall || call_.bEnded) return;
  call_.keys += cDigit;
  if (whenKeyPressed_) whenKeyPressed_(cDigit);
}

char TCallEvents::TakeKey() {
  if (call_.keys.empty()) return 0;
  const char key = call_.keys.front();
  call_.keys.erase(0, 1);
  return key;
}

void TCallEvents::ServeUntil(const std::function<bool()> &done) {
  // Each round waits for messages of any kind, then serves them. The hand-off of a line
  // message is sent rather than posted, and GetMessageA would serve it without returning.
  for (RaiseHandlerFailure(); !done(); RaiseHandlerFailure()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    Application->ProcessMessages();
  }
}

void TCallEvents::RaiseHandlerFailure() {
  if (!handlerFailure_) return;
  const std::exception_ptr failure = std::exchange(handlerFailure_, nullptr);
  std::rethrow_exception(failure);
}
