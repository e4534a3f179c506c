// The far end of the exchange's calls: offering, ringing, identification, answering, busy,
// speaking and hanging up, as a test or a host scenario plays them.
#include "simulator/Exchange.h"

#include "Clock.h"

namespace sim {

namespace {

bool Outgoing(const Call &call) {
  return call.origin == LINECALLORIGIN_OUTBOUND;
}

bool Placing(const Call &call) {
  return call.state == LINECALLSTATE_DIALING || call.state == LINECALLSTATE_PROCEEDING ||
         call.state == LINECALLSTATE_RINGBACK;
}

}  // namespace

CallId Exchange::OfferCall(DWORD deviceId, IncomingCall offer) {
  Lock lock(mutex_);
  if (!DeviceExists(deviceId)) return 0;
  Call &call = NewCall(deviceId);
  call.origin = LINECALLORIGIN_INBOUND;
  call.mediaMode = offer.mediaMode;
  call.caller = std::move(offer.caller);
  call.called = std::move(offer.called);
  call.appName = std::move(offer.appName);
  call.calledParty = std::move(offer.calledParty);
  call.comment = std::move(offer.comment);
  // The first line opened to own the call's media mode owns the call; monitors watch it.
  HLINE owner = 0;
  for (const auto &[handle, line] : lines_) {
    if (line.deviceId == deviceId && (line.privileges & LINECALLPRIVILEGE_OWNER) &&
        (line.mediaModes & call.mediaMode)) {
      owner = handle;
      break;
    }
  }
  if (owner != 0) GrantHandle(call.id, owner, LINECALLPRIVILEGE_OWNER, true);
  GrantToMonitors(call, owner);
  ChangeState(call, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE);
  return call.id;
}

void Exchange::Ring(DWORD deviceId, DWORD ringCount) {
  ReportLineState(deviceId, LINEDEVSTATE_RINGING, ringCount);
}

void Exchange::ReportLineState(DWORD deviceId, DWORD state, DWORD detail) {
  Lock lock(mutex_);
  for (const auto &[handle, line] : lines_) {
    if (line.deviceId == deviceId && (line.lineStates & state)) {
      PostToLine(handle, LINE_LINEDEVSTATE, handle, state, 0, detail);
    }
  }
}

bool Exchange::SetCallerId(CallId id, PartyId caller) {
  Lock lock(mutex_);
  Call *call = FindCall(id);
  if (call == nullptr) return false;
  call->caller = std::move(caller);
  AnnounceCallInfo(*call, LINECALLINFOSTATE_CALLERID);
  return true;
}

bool Exchange::SetCalledId(CallId id, PartyId called) {
  Lock lock(mutex_);
  Call *call = FindCall(id);
  if (call == nullptr) return false;
  call->called = std::move(called);
  AnnounceCallInfo(*call, LINECALLINFOSTATE_CALLEDID);
  return true;
}

bool Exchange::ReportCallInfo(CallId id, DWORD infoStates) {
  Lock lock(mutex_);
  const Call *call = FindCall(id);
  if (call == nullptr) return false;
  AnnounceCallInfo(*call, infoStates);
  return true;
}

bool Exchange::Answer(CallId id) {
  Lock lock(mutex_);
  Call *call = FindCall(id);
  if (call == nullptr || !Outgoing(*call) || !Placing(*call)) return false;
  ChangeState(*call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
  return true;
}

bool Exchange::Connect(CallId id) {
  Lock lock(mutex_);
  Call *call = FindCall(id);
  const bool offered = call != nullptr && (call->state == LINECALLSTATE_OFFERING ||
                                           call->state == LINECALLSTATE_ACCEPTED);
  if (!offered || Outgoing(*call)) return false;
  ChangeState(*call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
  return true;
}

bool Exchange::Ringback(CallId id) {
  Lock lock(mutex_);
  Call *call = FindCall(id);
  if (call == nullptr || !Outgoing(*call) || !Placing(*call)) return false;
  if (call->state != LINECALLSTATE_RINGBACK) ChangeState(*call, LINECALLSTATE_RINGBACK, 0);
  return true;
}

bool Exchange::Busy(CallId id) {
  Lock lock(mutex_);
  Call *call = FindCall(id);
  if (call == nullptr || !Outgoing(*call) || !Placing(*call)) return false;
  ChangeState(*call, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION);
  return true;
}

bool Exchange::HangUp(CallId id) {
  Lock lock(mutex_);
  Call *call = FindCall(id);
  if (call == nullptr || call->state == LINECALLSTATE_IDLE) return false;
  if (call->state != LINECALLSTATE_DISCONNECTED) {
    ChangeState(*call, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
  }
  ChangeState(*call, LINECALLSTATE_IDLE, 0);
  return true;
}

bool Exchange::SayAfterBeep(CallId id, std::span<const int16_t> samples, DWORD reactionMs) {
  Lock lock(mutex_);
  const Call *call = FindCall(id);
  const auto waveIn = call ? SimulatedWaveIn(*call) : std::nullopt;
  if (!waveIn) return false;
  Audio().SendAfterBeep(*waveIn, samples, reactionMs);
  return true;
}

bool Exchange::HangUpAfterSpeech(CallId id) {
  std::optional<UINT> waveIn;
  {
    Lock lock(mutex_);
    const Call *call = FindCall(id);
    if (call != nullptr && call->state != LINECALLSTATE_IDLE) waveIn = SimulatedWaveIn(*call);
  }
  if (!waveIn) return HangUp(id);
  const std::optional<double> lastWord = Audio().WaitUntilSaid(*waveIn);
  if (!lastWord) return false;
  Audio().CallEnds(*waveIn, *lastWord);
  return HangUp(id);
}

}  // namespace sim
