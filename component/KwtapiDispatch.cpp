// Turning one line message into component events, on the main thread.
#include <algorithm>
#include <cstring>
#include <limits>

#include "component/Kwtapi.h"
#include "component/MethodFrame.h"
#include "component/TapiRecord.h"

namespace {

constexpr DWORD kCallInfoFixedSize = 324;
constexpr DWORD kCallInfoSlack = 1000;
constexpr DWORD kTextBufferSize = 255;

void Log(TkwTAPI &component, const AnsiString &asWhat) {
  component.LogDebug("In [TkwTAPI::DispatchCallEvent] " + asWhat);
}

AnsiString Signed(DWORD dwValue) {
  return IntToStr(static_cast<int>(dwValue));
}

TTapiRecordPtr<LINECALLINFO> NewCallInfo(DWORD dwSize, DWORD dwAnnounced, const char *pszFailure) {
  // A size that the slack would carry past what a DWORD counts is more than any block can be;
  // wrapped, it would give a small block announced as a huge one.
  if (dwSize > std::numeric_limits<DWORD>::max() - kCallInfoSlack) throw Exception(pszFailure);
  try {
    TTapiRecordPtr<LINECALLINFO> block = NewTapiRecord<LINECALLINFO>(dwSize + kCallInfoSlack);
    block->dwTotalSize = dwAnnounced;
    return block;
  } catch (Exception &) {
    throw Exception(pszFailure);
  }
}

AnsiString AdditionalReadError(LONG lResult, bool bLogged) {
  return "TAPI Error: " + IntToStr(lResult) + ", calling lineGetCallInfo" + (bLogged ? "" : " (2)");
}

// Reads the call's information, growing the block as TAPI asks. A LINE_CALLINFO read is
// logged and announces the whole first block; a LINE_CALLSTATE read announces only the
// fixed part. A block from a failed attempt goes back to the heap.
TTapiRecordPtr<LINECALLINFO> ReadCallInfo(TkwTAPI &component, HCALL hCall, bool bLogged) {
  const DWORD dwFirst = bLogged ? kCallInfoFixedSize + kCallInfoSlack : kCallInfoFixedSize;
  TTapiRecordPtr<LINECALLINFO> block =
      NewCallInfo(kCallInfoFixedSize, dwFirst, "Out Of Memory(B) in MALLOC call");
  if (bLogged) Log(component, "before lineGetCallInfo");
  LONG lResult = lineGetCallInfo(hCall, block.get());
  if (bLogged) Log(component, "lineGetCallInfo returned: " + IntToStr(lResult));
  if (lResult < 0 && lResult != LINEERR_STRUCTURETOOSMALL)
    throw Exception("TAPI _Error: " + IntToStr(lResult) + ", calling lineGetCallInfo");
  while (lResult != 0 || block->dwNeededSize > block->dwTotalSize) {
    // An answer that asks for no more than it was given would come back for ever.
    if (block->dwNeededSize <= block->dwTotalSize)
      throw Exception(AdditionalReadError(lResult, bLogged));
    const DWORD dwSize = block->dwNeededSize;
    block.reset();
    block = NewCallInfo(dwSize, dwSize, "Out Of Memory(C) in MALLOC call");
    if (bLogged) Log(component, "before additional call to lineGetCallInfo");
    lResult = lineGetCallInfo(hCall, block.get());
    if (bLogged) Log(component, "lineGetCallInfo additional call returned: " + IntToStr(lResult));
    if (lResult < 0 && lResult != LINEERR_STRUCTURETOOSMALL)
      throw Exception(AdditionalReadError(lResult, bLogged));
  }
  return block;
}

// The bytes of one size/offset field, as far as they lie inside what the block holds, cut
// at the first zero byte and to the buffer's 254 characters and terminating zero.
AnsiString FieldText(const LINECALLINFO &info, DWORD dwSize, DWORD dwOffset) {
  char szData[kTextBufferSize] = {};
  const DWORD dwHeld = info.dwTotalSize;
  if (dwOffset < dwHeld) {
    const DWORD dwCopied = std::min({dwSize, dwHeld - dwOffset, kTextBufferSize - 1});
    std::memcpy(szData, reinterpret_cast<const char *>(&info) + dwOffset, dwCopied);
  }
  return szData;
}

// What lies at the offset up to its first zero byte, within the block.
AnsiString TextAt(const LINECALLINFO &info, DWORD dwOffset) {
  const DWORD dwHeld = info.dwTotalSize;
  if (dwOffset >= dwHeld) return AnsiString();
  const char *p = reinterpret_cast<const char *>(&info) + dwOffset;
  return AnsiString(p, static_cast<int>(strnlen(p, dwHeld - dwOffset)));
}

int CallTypeOf(DWORD dwFlags) {
  int iCallType = 0;
  if (dwFlags & LINECALLPARTYID_BLOCKED) iCallType = 1;
  if (dwFlags & LINECALLPARTYID_OUTOFAREA) iCallType = 2;
  if (dwFlags & LINECALLPARTYID_UNKNOWN) iCallType = 3;
  if (dwFlags & LINECALLPARTYID_UNAVAIL) iCallType = 4;
  return iCallType;
}

// One caller-ID field with its four log lines; the last one's wording is the log's own.
AnsiString CallerField(TkwTAPI &component, const LINECALLINFO &info, const char *pszFlag,
                       const char *pszOffset, const char *pszSize, DWORD dwOffset, DWORD dwSize,
                       const char *pszResult) {
  const AnsiString asDetected = AnsiString(pszFlag) + " detected. ";
  Log(component, asDetected + "pNewCallInfo->" + pszOffset + ": " + Signed(dwOffset) +
                     " pNewCallInfo->" + pszSize + ": " + Signed(dwSize));
  Log(component, asDetected + "variable p: [" + TextAt(info, dwOffset) + "]");
  const AnsiString asText = FieldText(info, dwSize, dwOffset);
  Log(component, asDetected + "szData: [" + asText + "]");
  Log(component, AnsiString("LINECALLPARTYID_NAME detected. ") + pszResult + ": [" + asText + "]");
  return asText;
}

void ReportCallerID(TkwTAPI &component, const TMethodFrame &frame, const LINEMESSAGE &message,
                    const LINECALLINFO &info) {
  AnsiString asCallerName = "N/A";
  AnsiString asCallerNum = "N/A";
  const int iCallType = CallTypeOf(info.dwCallerIDFlags);
  if (info.dwCallerIDFlags & LINECALLPARTYID_NAME)
    asCallerName = CallerField(component, info, "LINECALLPARTYID_NAME", "dwCallerIDNameOffset",
                               "dwCallerIDNameSize", info.dwCallerIDNameOffset,
                               info.dwCallerIDNameSize, "asCallerName");
  if (info.dwCallerIDFlags & LINECALLPARTYID_ADDRESS)
    asCallerNum =
        CallerField(component, info, "LINECALLPARTYID_ADDRESS", "dwCallerIDOffset",
                    "dwCallerIDSize", info.dwCallerIDOffset, info.dwCallerIDSize, "asCallerNum");
  Log(component, "before CallerID Callback event.");
  if (component.OnCallerIDEvent)
    component.OnCallerIDEvent(asCallerName, asCallerNum, iCallType, message.hDevice);
  if (!frame.ComponentDestroyed()) Log(component, "after CallerID Callback event.");
}

void ReportCalledID(TkwTAPI &component, const LINECALLINFO &info) {
  AnsiString asName = "N/A";
  AnsiString asNumber = "N/A";
  if (info.dwCalledIDFlags & LINECALLPARTYID_NAME)
    asName = FieldText(info, info.dwCalledIDNameSize, info.dwCalledIDNameOffset);
  if (info.dwCalledIDFlags & LINECALLPARTYID_ADDRESS)
    asNumber = FieldText(info, info.dwCalledIDSize, info.dwCalledIDOffset);
  if (component.OnCalledPartyIDEvent)
    component.OnCalledPartyIDEvent(asName, asNumber, CallTypeOf(info.dwCalledIDFlags));
}

void ReportIdentification(TkwTAPI &component, const TMethodFrame &frame, const LINEMESSAGE &message,
                          const LINECALLINFO &info) {
  Log(component,
      "before CallerID field check. cbData->dwMessageID: " + Signed(message.dwMessageID) +
          " cbData->dwParam1: " + Signed(message.dwParam1) +
          " pNewCallInfo->dwCallerIDFlags: " + Signed(info.dwCallerIDFlags));
  if (message.dwParam1 == LINECALLINFOSTATE_CALLERID ||
      message.dwParam1 == LINECALLINFOSTATE_CALLID ||
      (info.dwCallerIDFlags & (LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME))) {
    ReportCallerID(component, frame, message, info);
  } else if (message.dwParam1 == LINECALLINFOSTATE_CALLEDID) {
    ReportCalledID(component, info);
  }
}

AnsiString TextOr(const LINECALLINFO &info, DWORD dwSize, DWORD dwOffset, const char *pszNone) {
  return dwSize > 0 ? FieldText(info, dwSize, dwOffset) : AnsiString(pszNone);
}

// One event a key press: a digit's start (LINEDIGITMODE_DTMF), not its end.
void ReportDigit(TkwTAPI &component, const LINEMESSAGE &message) {
  const char cDigit = static_cast<char>(message.dwParam1 & 0xFF);
  Log(component, "LINE_MONITORDIGITS detected. cDigit: [" + AnsiString(&cDigit, 1) +
                     "] cbData->dwParam2: " + Signed(message.dwParam2) +
                     " cbData->dwParam3: " + Signed(message.dwParam3));
  if (message.dwParam2 == LINEDIGITMODE_DTMF && component.OnCallDigitEvent)
    component.OnCallDigitEvent(&component, message.hDevice, cDigit);
}

void ReportConnected(TkwTAPI &component, const LINEMESSAGE &message, const LINECALLINFO &info) {
  if (!component.OnCallConnectedEvent) return;
  component.OnCallConnectedEvent(
      TextOr(info, info.dwAppNameSize, info.dwAppNameOffset, "N/A"), info.dwBearerMode,
      info.dwMediaMode, info.dwRate,
      TextOr(info, info.dwCalledPartySize, info.dwCalledPartyOffset, "N/A"),
      TextOr(info, info.dwCommentSize, info.dwCommentOffset, ""), message.hDevice);
}

}  // namespace

// Every handler may destroy the component: after one, nothing of it is touched again.
void TkwTAPI::DispatchCallEvent(LINEMESSAGE *cbData) {
  TMethodFrame frame(*this);
  LogDebug("START of [TkwTAPI::DispatchCallEvent]");
  if (cbData != nullptr) {
    Log(*this, "cbData->hDevice: " + Signed(cbData->hDevice));
    TTapiRecordPtr<LINECALLINFO> newCallInfo;
    switch (cbData->dwMessageID) {
      case LINE_CALLINFO:
        newCallInfo = ReadCallInfo(*this, cbData->hDevice, true);
        ReportIdentification(*this, frame, *cbData, *newCallInfo);
        break;
      case LINE_CALLSTATE:
        newCallInfo = ReadCallInfo(*this, cbData->hDevice, false);
        DispatchCallState(frame, *cbData, *newCallInfo);
        break;
      case LINE_LINEDEVSTATE:
        if (cbData->dwParam1 == LINEDEVSTATE_RINGING && OnCallRingEvent) {
          const HCALL hCall = cbData->hDevice;
          OnCallRingEvent(static_cast<int>(cbData->dwParam3), hCall);
        }
        break;
      case LINE_MONITORDIGITS:
        ReportDigit(*this, *cbData);
        break;
      case LINE_REPLY:
        if (OnCallLineReplyEvent)
          OnCallLineReplyEvent(static_cast<int>(cbData->dwParam1),
                               static_cast<int>(cbData->dwParam2));
        break;
      default:
        break;
    }
    if (frame.ComponentDestroyed()) return;
    if (newCallInfo) {
      ReleaseTapiRecord(pLastCallInfo);
      pLastCallInfo = newCallInfo.release();
    }
    if (OnCallInfoEvent) OnCallInfoEvent(cbData, pLastCallInfo);
    if (frame.ComponentDestroyed()) return;
  }
  LogDebug("END of [TkwTAPI::DispatchCallEvent]");
}

void TkwTAPI::DispatchCallState(const TMethodFrame &frame, const LINEMESSAGE &message,
                                const LINECALLINFO &info) {
  switch (message.dwParam1) {
    case LINECALLSTATE_CONNECTED:
      ReportConnected(*this, message, info);
      break;
    case LINECALLSTATE_IDLE:
      StopRecording();
      if (OnCallDisconnectedEvent) OnCallDisconnectedEvent(message.hDevice);
      // A handler that destroyed the component shut its instance down, and the call with it.
      if (message.hDevice != 0 && !frame.ComponentDestroyed()) lineDeallocateCall(message.hDevice);
      break;
    case LINECALLSTATE_OFFERING:
      if (OnCallOfferingEvent)
        OnCallOfferingEvent(message.hDevice, static_cast<int>(message.dwParam2),
                            static_cast<int>(message.dwParam3));
      break;
    default:
      break;
  }
}
