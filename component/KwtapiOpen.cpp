// Opening the line device with its message threads, and closing it again.
#include "component/Kwtapi.h"
#include "component/MethodFrame.h"
#include "component/TapiRecord.h"
#include "component/TapiVersion.h"
#include "thread/Kwtapithread.h"
#include "thread/StopMessageThread.h"

namespace {

constexpr DWORD kNoDevice = 0xFFFFFFFF;
constexpr int kSecondInstancePass = 1;

AnsiString OpenLogLine(const AnsiString &asWhat) {
  return "In [TkwTAPI::OpenDevice] " + asWhat;
}

AnsiString Signed(DWORD dwValue) {
  return IntToStr(static_cast<int>(dwValue));
}

LINEINITIALIZEEXPARAMS EventNotificationParams() {
  LINEINITIALIZEEXPARAMS params = {};
  params.dwTotalSize = sizeof(params);
  params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  return params;
}

bool IsRetryable(LONG lResult) {
  return lResult == LINEERR_INVALMEDIAMODE || lResult == LINEERR_INVALPRIVSELECT ||
         lResult == LINEERR_OPERATIONFAILED || lResult == LINEERR_OPERATIONUNAVAIL;
}

// The code name in a lineOpen failure; only the codes lineOpen documents are named.
AnsiString LineOpenCodeName(LONG lResult, const AnsiString &asVersion, DWORD dwVersion) {
  switch (lResult) {
    case LINEERR_ALLOCATED:
      return "LINEERR_ALLOCATED";
    case LINEERR_BADDEVICEID:
      return "LINEERR_BADDEVICEID";
    case LINEERR_INCOMPATIBLEEXTVERSION:
      return "LINEERR_INCOMPATIBLEEXTVERSION";
    case LINEERR_INVALAPPHANDLE:
      return "LINEERR_INVALAPPHANDLE";
    case LINEERR_INVALMEDIAMODE:
      return "LINEERR_INVALMEDIAMODE";
    case LINEERR_INVALPOINTER:
      return "LINEERR_INVALPOINTER";
    case LINEERR_INVALPRIVSELECT:
      return "LINEERR_INVALPRIVSELECT";
    case LINEERR_LINEMAPPERFAILED:
      return "LINEERR_LINEMAPPERFAILED";
    case LINEERR_NODEVICE:
      return "LINEERR_NODEVICE";
    case LINEERR_NODRIVER:
      return "LINEERR_NODRIVER";
    case LINEERR_NOMEM:
      return "LINEERR_NOMEM";
    case LINEERR_OPERATIONFAILED:
      return "LINEERR_OPERATIONFAILED";
    case LINEERR_OPERATIONUNAVAIL:
      return "LINEERR_OPERATIONUNAVAIL";
    case LINEERR_RESOURCEUNAVAIL:
      return "LINEERR_RESOURCEUNAVAIL";
    case LINEERR_STRUCTURETOOSMALL:
      return "LINEERR_STRUCTURETOOSMALL";
    case LINEERR_UNINITIALIZED:
      return "LINEERR_UNINITIALIZED";
    case LINEERR_REINIT:
      return "LINEERR_REINIT";
    case LINEERR_INCOMPATIBLEAPIVERSION:
      return "LINEERR_INCOMPATIBLEAPIVERSION [Your current TAPI version is: " + asVersion + " (" +
             Signed(dwVersion) + ")]";
    default:
      return "";
  }
}

// A failed shutdown is tried once more: TAPI would otherwise keep the instance, with its lines
// and calls, until the process ends.
void ShutdownInstance(HLINEAPP &hApp) {
  if (hApp != 0 && lineShutdown(hApp) != 0) lineShutdown(hApp);
  hApp = 0;
}

// A failed pass may carry a retry, decided by the loop's handler.
struct TLineOpenFailure : EAbort {
  TLineOpenFailure(const AnsiString &asText, bool bRetry) : EAbort(asText), bRetryable(bRetry) {}
  bool bRetryable;
};

}  // namespace

bool TkwTAPI::OpenDevice(DWORD &dwTAPIDeviceID_m, bool bPromptForDevice, bool bSuppressErrors) {
  TMethodFrame frame(*this);
  int iSection = 0;
  bool bResult = false;
  try {
    LogDebug("START of [TkwTAPI::OpenDevice]");
    // A handler run while CloseDevice waits for a message thread: the close would close this
    // open's line as well.
    if (Closing()) throw EAbort("The device cannot be opened while it is being closed.");
    // Reopening replaces the handles and threads; the old device is closed first so that
    // nothing it held is lost or waited on forever.
    if (HoldsAnything()) {
      CloseDevice();
      if (frame.ComponentDestroyed()) return false;
    }
    OpenDeviceID = dwTAPIDeviceID_m;
    LogDebug(OpenLogLine("using dwTAPIDeviceID_m: " + Signed(OpenDeviceID)));
    LINEINITIALIZEEXPARAMS params = EventNotificationParams();
    LINEINITIALIZEEXPARAMS params2 = EventNotificationParams();
    InitializeInstance(hLineApp, params, true);
    iSection = 1;
    if (TAPIDevicesDetected == 0) {
      ShutdownInstance(hLineApp);
      throw EAbort("No TAPI devices detected");
    }
    iSection = 2;
    if (bPromptForDevice && TAPIDevicesDetected > 1) {
      LogDebug(OpenLogLine("before prompting for TAPI device."));
      OpenDeviceID = static_cast<DWORD>(GetTAPIDevice(TAPIDevicesDetected));
      dwTAPIDeviceID_m = OpenDeviceID;
      LogDebug(OpenLogLine("after prompting for TAPI device, selected: " + Signed(OpenDeviceID)));
    }
    NegotiateInstance(hLineApp, ExtensionID);
    int iDeviceID = static_cast<int>(OpenDeviceID.Value());
    LINEDEVCAPS *pCaps = Get_The_LineDevCaps(hLineApp, dwAPIVersion, iDeviceID);
    ReleaseTapiRecord(pLineDevCaps);
    pLineDevCaps = pCaps;
    if (pLineDevCaps == nullptr) throw EAbort("The line device's capabilities could not be read");
    CheckMediaModes();
    iSection = 3;
    RunLineOpenLoop(params, params2);
    StartMessageThread(pMsgThread, hStopEvent, hLineApp, params.Handles.hEvent, true);
    LogDebug(OpenLogLine("created TAPI msg thread #1."));
    iSection = 4;
    const LONG lResult =
        lineSetStatusMessages(hLine, pLineDevCaps->dwLineStates, pLineDevCaps->dwAddressModes);
    LogDebug(OpenLogLine("lineSetStatusMessages returned: " + IntToStr(lResult)));
    if (lResult < 0 || hLineApp == 0) {
      // Thread #1 waits on this instance's event: it must end before the event goes.
      StopMessageThread(pMsgThread.get(), hStopEvent);
      ShutdownInstance(hLineApp);
      hLine = 0;  // it went with its instance
      throw EAbort("lineSetStatusMessages failed");
    }
    bResult = true;
    if (hLineApp2 != 0) {
      LogDebug(OpenLogLine("created TAPI msg thread #2."));
      StartMessageThread(pMsgThread2, hStopEvent2, hLineApp2, params2.Handles.hEvent, false);
    }
    iSection = 5;
    LogDebug("Bottom of [TkwTAPI::OpenDevice] function.");
  } catch (...) {
    if (frame.ComponentDestroyed()) return false;
    // Thread #2 may fail to start after the result was decided.
    bResult = false;
    ReportOpenFailure(iSection, bSuppressErrors);
    if (frame.ComponentDestroyed()) return false;
  }
  LogDebug("END of [TkwTAPI::OpenDevice] returning: " + IntToStr(bResult ? 1 : 0));
  return bResult;
}

void TkwTAPI::InitializeInstance(HLINEAPP &hApp, LINEINITIALIZEEXPARAMS &params,
                                 bool bRefreshVersion) {
  dwAPIVersion = kRequiredTapiVersion;
  DWORD dwDevices = TAPIDevicesDetected;
  const LONG lResult =
      lineInitializeExA(&hApp, HInstance, nullptr, nullptr, &dwDevices, &dwAPIVersion, &params);
  TAPIDevicesDetected = dwDevices;
  if (bRefreshVersion) TAPIVersionString = TapiVersionText(dwAPIVersion);
  LogDebug(OpenLogLine("lineInitializeEx returned: " + IntToStr(lResult) +
                       " using TAPI version: " + TAPIVersionString.Value() +
                       " TAPI device count: " + Signed(TAPIDevicesDetected)));
  if (dwAPIVersion < kRequiredTapiVersion) {
    // An instance TAPI did initialise would otherwise be left behind.
    if (lResult >= 0) ShutdownInstance(hApp);
    hApp = 0;
    throw EAbort(InvalidTapiVersionText(TAPIVersionString, dwAPIVersion));
  }
  if (lResult < 0) {
    hApp = 0;
    throw EAbort("lineInitializeEx Failed.");
  }
}

void TkwTAPI::NegotiateInstance(HLINEAPP &hApp, LINEEXTENSIONID &extension) {
  const LONG lResult =
      lineNegotiateAPIVersion(hApp, OpenDeviceID, kLowestNegotiatedVersion,
                              kHighestNegotiatedVersion, &dwAPIVersion, &extension);
  TAPIVersionString = TapiVersionText(dwAPIVersion);
  LogDebug(OpenLogLine("lineNegotiateAPIVersion returned: " + IntToStr(lResult) +
                       " using TAPI version: " + TAPIVersionString.Value() +
                       " TAPI device id: " + Signed(OpenDeviceID)));
  if (lResult < 0) {
    OpenDeviceID = kNoDevice;
    ShutdownInstance(hApp);
    throw EAbort("lineNegotiateAPIVersion failed");
  }
}

void TkwTAPI::CheckMediaModes() {
  static const struct {
    DWORD dwMode;
    const char *pszName;
  } kChecked[] = {{LINEMEDIAMODE_AUTOMATEDVOICE, "AUTOMATEDVOICE"},
                  {LINEMEDIAMODE_INTERACTIVEVOICE, "INTERACTIVEVOICE"},
                  {LINEMEDIAMODE_DATAMODEM, "DATAMODEM"},
                  {LINEMEDIAMODE_UNKNOWN, "UNKNOWN"}};
  for (const auto &check : kChecked) {
    if ((MediaModes & check.dwMode) && !(pLineDevCaps->dwMediaModes & check.dwMode))
      throw EAbort("TAPI Device does NOT support: " + AnsiString(check.pszName) + " MODE");
  }
}

void TkwTAPI::RunLineOpenLoop(LINEINITIALIZEEXPARAMS &params, LINEINITIALIZEEXPARAMS &params2) {
  int iMediaRetries = 0;
  const int iSavedMediaModes = MediaModes;
  LogDebug(OpenLogLine("before infamous lineOpen loop."));
  for (int iIteration = 1;; ++iIteration) {
    LogDebug(OpenLogLine("top of infamous lineOpen loop iteration #: " + IntToStr(iIteration) +
                         " iMediaRetries: " + IntToStr(iMediaRetries)));
    bool bRetryable = false;
    try {
      const LONG lResult = OpenLinePass(iMediaRetries, params, params2);
      const HLINEAPP hUsed = iMediaRetries == kSecondInstancePass ? hLineApp2 : hLineApp;
      if (lResult < 0 || hUsed == 0) {
        bRetryable = IsRetryable(lResult);
        throw EAbort("lineOpen failed with iMediaRetries: " + IntToStr(iMediaRetries) +
                     " with code: " + LineOpenCodeName(lResult, TAPIVersionString, dwAPIVersion));
      }
      if (iMediaRetries == 0 || hLine != 0) break;
      MediaModes = iSavedMediaModes;
      Privileges = LINECALLPRIVILEGE_MONITOR;
      ++iMediaRetries;
    } catch (Exception &e) {
      LogDebug(OpenLogLine("in lineOpen loop caught exception: " + e.Message));
      if (bRetryable && iMediaRetries == 0 && !(MediaModes & LINEMEDIAMODE_DATAMODEM) &&
          (pLineDevCaps->dwMediaModes & LINEMEDIAMODE_DATAMODEM)) {
        MediaModes = LINEMEDIAMODE_DATAMODEM;
        Privileges = LINECALLPRIVILEGE_OWNER;
        ++iMediaRetries;
        continue;
      }
      OpenDeviceID = kNoDevice;
      ShutdownInstance(hLineApp);
      ShutdownInstance(hLineApp2);
      // A line goes with its instance: a later close must not close it again.
      hLine = hLine2 = 0;
      throw EAbort(e.Message);
    }
  }
  LogDebug(OpenLogLine("after lineOpen loop."));
}

LONG TkwTAPI::OpenLinePass(int iMediaRetries, LINEINITIALIZEEXPARAMS &params,
                           LINEINITIALIZEEXPARAMS &params2) {
  LONG lResult;
  if (iMediaRetries == kSecondInstancePass) {
    ShutdownInstance(hLineApp);
    InitializeInstance(hLineApp2, params2, false);
    NegotiateInstance(hLineApp2, ExtensionID2);
    lResult = lineOpenA(hLineApp2, OpenDeviceID, &hLine2, dwAPIVersion, 0, 0, Privileges,
                        MediaModes, nullptr);
  } else {
    if (hLineApp == 0) {
      InitializeInstance(hLineApp, params, false);
      NegotiateInstance(hLineApp, ExtensionID);
    }
    lResult = lineOpenA(hLineApp, OpenDeviceID, &hLine, dwAPIVersion, 0, 0, Privileges, MediaModes,
                        nullptr);
  }
  LogDebug(OpenLogLine("lineOpen returned: " + IntToStr(lResult) + " using TAPI version: " +
                       TAPIVersionString.Value() + " TAPI device id: " + Signed(OpenDeviceID) +
                       " Privileges: " + IntToStr(Privileges) +
                       " Media Modes: " + IntToStr(MediaModes)));
  return lResult;
}

void TkwTAPI::StartMessageThread(TOwningHolder<kwTAPIThread> &holder, HANDLE &hStop, HLINEAPP hApp,
                                 HANDLE hTAPIEvent, bool bDispatch) {
  hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // A thread still running a hand-off is inside a handler that reopened the device; deleting
  // it now would wait for a hand-off that waits for us.
  if (holder && holder->InHandOff()) {
    holder->Abandon();
    holder.release();
  }
  holder.reset(new kwTAPIThread(true));
  holder->hLineApp = hApp;
  holder->hTAPIEvent = hTAPIEvent;
  if (bDispatch) holder->OnLineMessage = TLineMessageEvent(this, &TkwTAPI::DispatchCallEvent);
  holder->hStopEvent = hStop;
  holder->Resume();
}

bool TkwTAPI::HoldsAnything() const {
  return hLineApp != 0 || hLineApp2 != 0 || hLine != 0 || hLine2 != 0 || hStopEvent != 0 ||
         hStopEvent2 != 0;
}

// True when it closed something and nothing went wrong: a host can tell a real close from a
// call on a component that held nothing.
bool TkwTAPI::CloseDevice() {
  TMethodFrame frame(*this);
  frame.bClosing = true;
  bool bResult = false;
  try {
    const bool bHeld = HoldsAnything();
    if (!StopMessageThreadOf(frame, pMsgThread, hStopEvent) ||
        !StopMessageThreadOf(frame, pMsgThread2, hStopEvent2))
      return false;
    if (hLine != 0) lineClose(hLine);
    if (hLine2 != 0) lineClose(hLine2);
    ShutdownInstance(hLineApp);
    ShutdownInstance(hLineApp2);
    ReleaseTapiRecord(pLastCallInfo);
    ReleaseTapiRecord(pLineDevCaps);
    ReleaseTapiRecord(pLineAddressCaps);
    hLineApp = hLineApp2 = hLine = hLine2 = 0;
    TAPIDevicesDetected = 0;
    OpenDeviceID = kNoDevice;
    bResult = bHeld;
  } catch (Exception &e) {
    MessageBoxA(0, ("Internal error in [TkwTAPI::CloseDevice] msg: " + e.Message).c_str(), "ERROR",
                MB_OK);
  } catch (...) {
    MessageBoxA(0, "UNKNOWN Internal error in [TkwTAPI::CloseDevice]", "ERROR", MB_OK);
  }
  return bResult;
}

// The stop event leaves the component before the wait, which serves hand-offs: a handler may
// close the device again or destroy the component meanwhile.
bool TkwTAPI::StopMessageThreadOf(TMethodFrame &frame, TOwningHolder<kwTAPIThread> &holder,
                                  HANDLE &hStop) {
  HANDLE hOwnStop = hStop;
  hStop = 0;
  frame.pAwaitedThread = holder.get();
  StopMessageThread(holder.get(), hOwnStop);
  frame.pAwaitedThread = nullptr;
  return !frame.ComponentDestroyed();
}

DWORD TkwTAPI::I_lineNegotiateLegacyAPIVersion(DWORD dwDeviceID) {
  return NegotiateWithin(dwDeviceID, 0x00010004, 0x00020000);
}

DWORD TkwTAPI::I_lineNegotiateAPIVersion(DWORD dwDeviceID) {
  return NegotiateWithin(dwDeviceID, 0x00010004, 0x00010004);
}

DWORD TkwTAPI::NegotiateWithin(DWORD dwDeviceID, DWORD dwLow, DWORD dwHigh) {
  DWORD dwVersion = 0;
  LINEEXTENSIONID extension = {};
  const LONG lResult =
      lineNegotiateAPIVersion(hLineApp, dwDeviceID, dwLow, dwHigh, &dwVersion, &extension);
  if (lResult == LINEERR_INCOMPATIBLEAPIVERSION) return 0;
  TapiCheck(lResult);
  // TAPI leaves the version unwritten on any other failure.
  return lResult < 0 ? 0 : dwVersion;
}
