// The call operations of the exchange: placing, answering and dropping calls (asynchronous,
// answered by LINE_REPLY), call handles, call records and tones.
#include <windows.h>

#include <algorithm>

#include "Clock.h"
#include "simulator/CallRecords.h"
#include "simulator/Exchange.h"
#include "simulator/Operation.h"

namespace sim {

namespace {

constexpr DWORD kLastRequestId = 0x7FFFFFFF;  // request ids stay positive
constexpr DWORD kCallParamsMinimumSize = offsetof(LINECALLPARAMS, dwPredictiveAutoTransferStates);

std::string Text(LPCSTR text) {
  return text ? text : "(null)";
}

// A string of the caller's LINECALLPARAMS, when it lies inside the record.
std::string ParamsText(const LINECALLPARAMS &params, DWORD size, DWORD offset) {
  if (size == 0 || offset > params.dwTotalSize || size > params.dwTotalSize - offset) return {};
  std::string text(reinterpret_cast<const char *>(&params) + offset, size);
  return text.substr(0, text.find('\0'));
}

bool Answerable(DWORD state) {
  return state == LINECALLSTATE_OFFERING || state == LINECALLSTATE_ACCEPTED;
}

}  // namespace

HCALL Exchange::GrantHandle(CallId call, HLINE line, DWORD privilege, bool unasked) {
  const HCALL handle = NewHandle();
  handles_[handle] = {call, line, privilege, !unasked};
  const OpenLine *open = FindLine(line);
  if (unasked && open != nullptr && open->apiVersion >= 0x00020000) {
    PostToLine(line, LINE_APPNEWCALL, line, 0, handle, privilege);
  }
  return handle;
}

void Exchange::GrantToMonitors(Call &call, HLINE except) {
  for (const auto &[handle, line] : lines_) {
    if (handle == except || line.deviceId != call.deviceId) continue;
    if (line.privileges & LINECALLPRIVILEGE_MONITOR) {
      GrantHandle(call.id, handle, LINECALLPRIVILEGE_MONITOR, true);
    }
  }
}

std::vector<HCALL> Exchange::HandlesOf(CallId call) const {
  std::vector<HCALL> found;
  for (const auto &[handle, entry] : handles_) {
    if (entry.call == call) found.push_back(handle);
  }
  return found;
}

bool Exchange::HasOwner(CallId call) const {
  return std::any_of(handles_.begin(), handles_.end(), [&](const auto &entry) {
    return entry.second.call == call && entry.second.privilege == LINECALLPRIVILEGE_OWNER;
  });
}

void Exchange::ChangeState(Call &call, DWORD state, DWORD mode) {
  const bool wasOver = CallOver(call.state);
  if (state == LINECALLSTATE_IDLE) EndDigits(call, LINEGENERATETERM_CANCEL);
  call.EnterState(state, mode);
  if (CallOver(state) && !wasOver) {
    listener_.Stop(call.id);
    if (const auto waveIn = SimulatedWaveIn(call)) Audio().CallEnds(*waveIn, win32::VirtualNow());
  }
  if (state == LINECALLSTATE_IDLE && network_ != nullptr) network_->Ended(call.id);
  for (HCALL handle : HandlesOf(call.id)) {
    CallHandle &entry = handles_[handle];
    const DWORD privilege = entry.privilegeTold ? 0 : entry.privilege;
    entry.privilegeTold = true;
    PostToLine(entry.line, LINE_CALLSTATE, handle, state, mode, privilege);
  }
}

void Exchange::AnnounceCallInfo(const Call &call, DWORD infoStates) {
  for (HCALL handle : HandlesOf(call.id)) {
    PostToLine(handles_[handle].line, LINE_CALLINFO, handle, infoStates, 0, 0);
  }
}

void Exchange::ReleaseHandlesOf(HLINE line) {
  std::vector<CallId> touched;
  std::erase_if(handles_, [&](const auto &entry) {
    if (entry.second.line != line) return false;
    touched.push_back(entry.second.call);
    return true;
  });
  // A call that loses its last owner is dropped; its monitors see it go idle.
  for (CallId id : touched) {
    Call *call = FindCall(id);
    if (call && call->state != LINECALLSTATE_IDLE && !HasOwner(id)) {
      ChangeState(*call, LINECALLSTATE_IDLE, 0);
    }
  }
}

Call &Exchange::NewCall(DWORD deviceId) {
  const CallId id = NewHandle();
  Call &call = calls_[id];
  call.id = id;
  call.deviceId = deviceId;
  if (const auto waveIn = SimulatedWaveIn(call)) Audio().CallStarts(*waveIn);
  return call;
}

std::optional<UINT> Exchange::SimulatedWaveIn(const Call &call) const {
  if (network_ != nullptr || !DeviceExists(call.deviceId)) return std::nullopt;
  return devices_[call.deviceId].waveInId;
}

bool Exchange::DeviceBusy(DWORD deviceId) const {
  return std::any_of(calls_.begin(), calls_.end(), [&](const auto &entry) {
    return entry.second.deviceId == deviceId && entry.second.state != LINECALLSTATE_IDLE;
  });
}

CallView Exchange::ViewOf(const CallHandle &handle) {
  const Call &call = calls_.at(handle.call);
  DWORD owners = 0;
  DWORD monitors = 0;
  for (const auto &[value, entry] : handles_) {
    if (entry.call != handle.call) continue;
    (entry.privilege == LINECALLPRIVILEGE_OWNER ? owners : monitors) += 1;
  }
  const LineDevice &device = devices_[call.deviceId];
  return {call,   device,   handle.line,          handle.privilege,
          owners, monitors, DigitModesOf(device), handle.monitoredDigits};
}

LONG Exchange::Accept(Request request) {
  request.id = nextRequest_;
  nextRequest_ = nextRequest_ == kLastRequestId ? 1 : nextRequest_ + 1;
  const auto id = static_cast<LONG>(request.id);
  if (deferReplies_) {
    pending_.push_back(std::move(request));
  } else {
    Complete(request);
  }
  return id;
}

void Exchange::Complete(Request &request) {
  const auto injected =
      replyFaults_.Check(Invocation{request.operation, {}}.With("dwRequestID", request.id));
  const LONG result = injected ? static_cast<LONG>(*injected) : request.validate();
  PostToLine(request.line, LINE_REPLY, 0, request.id, static_cast<DWORD>(result), 0);
  if (result == 0) request.apply();
}

void Exchange::DeferReplies(bool defer) {
  Lock lock(mutex_);
  deferReplies_ = defer;
}

size_t Exchange::CompleteRequests() {
  Lock lock(mutex_);
  std::deque<Request> due;
  due.swap(pending_);
  for (Request &request : due) Complete(request);
  return due.size();
}

FaultPlan &Exchange::ReplyFaults() {
  return replyFaults_;
}

LONG Exchange::LineMakeCall(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress,
                            DWORD dwCountryCode, const LINECALLPARAMS *lpCallParams) {
  Invocation call{"lineMakeCallA", {}};
  call.With("hLine", hLine).With("lpszDestAddress", Text(lpszDestAddress));
  call.With("dwCountryCode", dwCountryCode);
  if (lpCallParams) {
    call.With("dwTotalSize", lpCallParams->dwTotalSize);
    call.With("dwBearerMode", lpCallParams->dwBearerMode);
    call.With("dwMediaMode", lpCallParams->dwMediaMode);
    call.With("dwCallParamFlags", lpCallParams->dwCallParamFlags);
  }
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    return MakeCallChecked(hLine, lphCall, lpszDestAddress, dwCountryCode, lpCallParams);
  });
}

LONG Exchange::MakeCallChecked(HLINE hLine, LPHCALL lphCall, LPCSTR destAddress, DWORD countryCode,
                               const LINECALLPARAMS *params) {
  const OpenLine *line = FindLine(hLine);
  if (line == nullptr) return LINEERR_INVALLINEHANDLE;
  if (!lphCall) return LINEERR_INVALPOINTER;
  const LineDevice &device = devices_[line->deviceId];
  Call setup;
  setup.deviceId = line->deviceId;
  setup.origin = LINECALLORIGIN_OUTBOUND;
  setup.countryCode = countryCode;
  setup.called.number = destAddress ? destAddress : "";
  setup.appName = apps_[line->app].friendlyName;
  if (params) {
    if (params->dwTotalSize < kCallParamsMinimumSize) return LINEERR_STRUCTURETOOSMALL;
    if (params->dwBearerMode != 0) {
      if ((params->dwBearerMode & ~device.bearerModes) != 0) return LINEERR_BEARERMODEUNAVAIL;
      setup.bearerMode = params->dwBearerMode;
    }
    if (params->dwMediaMode != 0) {
      if ((params->dwMediaMode & ~device.mediaModes) != 0) return LINEERR_INVALMEDIAMODE;
      setup.mediaMode = params->dwMediaMode;
    }
    if (params->dwAddressMode == LINEADDRESSMODE_ADDRESSID && params->dwAddressID != 0) {
      return LINEERR_INVALADDRESSID;
    }
    setup.callParamFlags = params->dwCallParamFlags;
    setup.calledParty = ParamsText(*params, params->dwCalledPartySize, params->dwCalledPartyOffset);
    setup.comment = ParamsText(*params, params->dwCommentSize, params->dwCommentOffset);
  }
  if (DeviceBusy(line->deviceId)) return LINEERR_CALLUNAVAIL;
  const DWORD deviceId = line->deviceId;
  return Accept({0, hLine, "lineMakeCallA",
                 [this, deviceId] { return DeviceBusy(deviceId) ? LINEERR_CALLUNAVAIL : 0; },
                 [this, hLine, lphCall, setup] { StartOutgoingCall(hLine, lphCall, setup); }});
}

void Exchange::StartOutgoingCall(HLINE line, LPHCALL lphCall, const Call &setup) {
  Call &call = NewCall(setup.deviceId);
  const CallId id = call.id;
  call = setup;
  call.id = id;
  // TAPI writes the handle when the request completes, not when it is made.
  *lphCall = GrantHandle(id, line, LINECALLPRIVILEGE_OWNER, false);
  GrantToMonitors(call, line);
  if (call.called.number.empty()) {
    ChangeState(call, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
    return;
  }
  ChangeState(call, LINECALLSTATE_DIALING, 0);
  ChangeState(call, LINECALLSTATE_PROCEEDING, 0);
  if (network_ != nullptr) network_->Placing(call.id, call.deviceId, call.called.number);
}

LONG Exchange::TapiRequestMakeCall(LPCSTR lpszDestAddress, LPCSTR lpszAppName,
                                   LPCSTR lpszCalledParty, LPCSTR lpszComment) {
  Invocation call{"tapiRequestMakeCallA", {}};
  call.With("lpszDestAddress", Text(lpszDestAddress)).With("lpszAppName", Text(lpszAppName));
  call.With("lpszCalledParty", Text(lpszCalledParty)).With("lpszComment", Text(lpszComment));
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    if (!lpszDestAddress || *lpszDestAddress == '\0') return TAPIERR_INVALDESTADDRESS;
    if (!requestRecipient_) return TAPIERR_NOREQUESTRECIPIENT;
    assisted_.push_back({lpszDestAddress, lpszAppName ? lpszAppName : "",
                         lpszCalledParty ? lpszCalledParty : "", lpszComment ? lpszComment : ""});
    return 0;
  });
}

LONG Exchange::LineAnswer(HCALL hCall, LPCSTR /*lpsUserUserInfo*/, DWORD dwSize) {
  Invocation call{"lineAnswer", {}};
  call.With("hCall", hCall).With("dwSize", dwSize);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    const CallHandle *handle = FindHandle(hCall);
    if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
    if (handle->privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
    if (!Answerable(calls_.at(handle->call).state)) return LINEERR_INVALCALLSTATE;
    const CallId id = handle->call;
    return Accept({0, handle->line, "lineAnswer",
                   [this, id] {
                     const Call *call = FindCall(id);
                     return call && Answerable(call->state) ? 0 : LINEERR_INVALCALLSTATE;
                   },
                   [this, id] {
                     if (network_ != nullptr) {
                       network_->Answering(id);
                     } else {
                       ChangeState(calls_.at(id), LINECALLSTATE_CONNECTED,
                                   LINECONNECTEDMODE_ACTIVE);
                     }
                   }});
  });
}

LONG Exchange::LineDrop(HCALL hCall, LPCSTR /*lpsUserUserInfo*/, DWORD dwSize) {
  Invocation call{"lineDrop", {}};
  call.With("hCall", hCall).With("dwSize", dwSize);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    const CallHandle *handle = FindHandle(hCall);
    if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
    if (handle->privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
    if (calls_.at(handle->call).state == LINECALLSTATE_IDLE) return LINEERR_INVALCALLSTATE;
    const CallId id = handle->call;
    return Accept({0, handle->line, "lineDrop",
                   [this, id] {
                     const Call *call = FindCall(id);
                     return call && call->state != LINECALLSTATE_IDLE ? 0 : LINEERR_INVALCALLSTATE;
                   },
                   [this, id] { ChangeState(calls_.at(id), LINECALLSTATE_IDLE, 0); }});
  });
}

LONG Exchange::LineDeallocateCall(HCALL hCall) {
  return Perform(Invocation{"lineDeallocateCall", {}}.With("hCall", hCall), [&]() -> int64_t {
    Lock lock(mutex_);
    const CallHandle *handle = FindHandle(hCall);
    if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
    const CallHandle released = *handle;
    handles_.erase(hCall);
    // The sole owner of a live call may not walk away from it.
    const bool live = calls_.at(released.call).state != LINECALLSTATE_IDLE;
    if (released.privilege == LINECALLPRIVILEGE_OWNER && live && !HasOwner(released.call)) {
      handles_[hCall] = released;
      return LINEERR_INVALCALLSTATE;
    }
    return 0;
  });
}

LONG Exchange::LineGetCallInfo(HCALL hCall, LPLINECALLINFO lpCallInfo) {
  Invocation call{"lineGetCallInfoA", {}};
  call.With("hCall", hCall);
  if (lpCallInfo) call.With("dwTotalSize", lpCallInfo->dwTotalSize);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    const CallHandle *handle = FindHandle(hCall);
    if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
    if (!lpCallInfo) return LINEERR_INVALPOINTER;
    return FillCallInfo(ViewOf(*handle), lpCallInfo);
  });
}

LONG Exchange::LineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus) {
  Invocation call{"lineGetCallStatus", {}};
  call.With("hCall", hCall);
  if (lpCallStatus) call.With("dwTotalSize", lpCallStatus->dwTotalSize);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    const CallHandle *handle = FindHandle(hCall);
    if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
    if (!lpCallStatus) return LINEERR_INVALPOINTER;
    return FillCallStatus(ViewOf(*handle), lpCallStatus);
  });
}

LONG Exchange::LineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                                const LINEGENERATETONE * /*lpTones*/) {
  Invocation call{"lineGenerateTone", {}};
  call.With("hCall", hCall).With("dwToneMode", dwToneMode).With("dwDuration", dwDuration);
  call.With("dwNumTones", dwNumTones);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    const CallHandle *handle = FindHandle(hCall);
    if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
    if (handle->privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
    // One generation at a time: a tone, or mode 0, cancels the digits in progress. Mode 0
    // cancels a tone in progress too; the device generates beeps only.
    if (dwToneMode == 0) {
      EndDigits(calls_.at(handle->call), LINEGENERATETERM_CANCEL);
      return 0;
    }
    if (dwToneMode != LINETONEMODE_BEEP) return LINEERR_INVALTONEMODE;
    if (!calls_.at(handle->call).CarriesTones()) return LINEERR_INVALCALLSTATE;
    EndDigits(calls_.at(handle->call), LINEGENERATETERM_CANCEL);
    tones_.push_back({handle->call, hCall, dwToneMode, dwDuration});
    const Call &beeping = calls_.at(handle->call);
    const DWORD milliseconds = dwDuration != 0 ? dwDuration : kDefaultBeepMs;
    if (network_ != nullptr) {
      network_->Beeping(beeping.id, milliseconds);
    } else {
      Audio().Beep(devices_[beeping.deviceId].waveOutId, SimulatedWaveIn(beeping), milliseconds);
    }
    // The beep is over at once: nothing here waits for it.
    PostToLine(handle->line, LINE_GENERATE, hCall, LINEGENERATETERM_DONE, 0, GetTickCount());
    return 0;
  });
}

}  // namespace sim
