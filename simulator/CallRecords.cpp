#include "simulator/CallRecords.h"

#include <string>

#include "simulator/DeviceRecords.h"
#include "simulator/RecordFiller.h"

namespace sim {

namespace {

std::string Text(const std::string &text) {
  return text.empty() ? std::string() : Sz(text);
}

std::string PartyText(const PartyId &party, const std::string &text, DWORD flag) {
  if ((party.Flags() & flag) == 0) return {};
  return party.countsNul ? Sz(text) : text;
}

DWORD CallFeatures(const CallView &view) {
  if ((view.privilege & LINECALLPRIVILEGE_OWNER) == 0) return 0;
  switch (view.call.state) {
    case LINECALLSTATE_IDLE:
      return 0;
    case LINECALLSTATE_OFFERING:
    case LINECALLSTATE_ACCEPTED:
      return LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP;
    case LINECALLSTATE_CONNECTED:
      return ConnectedCallFeatures(view.digits);
    default:
      return LINECALLFEATURE_DROP;
  }
}

}  // namespace

LONG FillCallInfo(const CallView &view, LPLINECALLINFO info) {
  const Call &call = view.call;
  LINECALLINFO fixed{};
  fixed.hLine = view.line;
  fixed.dwLineDeviceID = call.deviceId;
  fixed.dwBearerMode = call.bearerMode;
  fixed.dwRate = call.rate;
  fixed.dwMediaMode = call.mediaMode;
  fixed.dwCallID = call.id;
  fixed.dwCallParamFlags = call.callParamFlags;
  fixed.dwCallStates = kCallStates;
  fixed.dwMonitorDigitModes = view.monitoredDigits;
  fixed.dwOrigin = call.origin;
  fixed.dwReason = LINECALLREASON_DIRECT;
  fixed.dwNumOwners = view.numOwners;
  fixed.dwNumMonitors = view.numMonitors;
  fixed.dwCountryCode = call.countryCode;
  fixed.dwCallerIDFlags = call.caller.Flags();
  fixed.dwCalledIDFlags = call.called.Flags();

  RecordFiller filler(info->dwTotalSize, kLineCallInfoSize);
  filler.Place(fixed.dwCallerIDSize, fixed.dwCallerIDOffset,
               PartyText(call.caller, call.caller.number, LINECALLPARTYID_ADDRESS));
  filler.Place(fixed.dwCallerIDNameSize, fixed.dwCallerIDNameOffset,
               PartyText(call.caller, call.caller.name, LINECALLPARTYID_NAME));
  filler.Place(fixed.dwCalledIDSize, fixed.dwCalledIDOffset,
               PartyText(call.called, call.called.number, LINECALLPARTYID_ADDRESS));
  filler.Place(fixed.dwCalledIDNameSize, fixed.dwCalledIDNameOffset,
               PartyText(call.called, call.called.name, LINECALLPARTYID_NAME));
  filler.Place(fixed.dwAppNameSize, fixed.dwAppNameOffset, Text(call.appName));
  filler.Place(fixed.dwCalledPartySize, fixed.dwCalledPartyOffset, Text(call.calledParty));
  filler.Place(fixed.dwCommentSize, fixed.dwCommentOffset, Text(call.comment));
  filler.Place(fixed.dwDevSpecificSize, fixed.dwDevSpecificOffset,
               std::string(view.device.callInfoExtraBytes, '\x5A'));
  const LONG result = filler.Write(fixed, info);
  if (result == 0 && view.device.callInfoClaimedSize != 0)
    info->dwNeededSize = view.device.callInfoClaimedSize;
  return result;
}

LONG FillCallStatus(const CallView &view, LPLINECALLSTATUS status) {
  LINECALLSTATUS fixed{};
  fixed.dwCallState = view.call.state;
  fixed.dwCallStateMode = view.call.stateMode;
  fixed.dwCallPrivilege = view.privilege;
  fixed.dwCallFeatures = CallFeatures(view);
  fixed.tStateEntryTime = view.call.stateEntryTime;

  RecordFiller filler(status->dwTotalSize, kLineCallStatusSize);
  filler.Place(fixed.dwDevSpecificSize, fixed.dwDevSpecificOffset,
               std::string(view.device.callStatusExtraBytes, '\x5A'));
  return filler.Write(fixed, status);
}

}  // namespace sim
