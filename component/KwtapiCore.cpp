// The component object: construction, what it publishes, release, and its registration.
#include "component/Kwtapi.h"
#include "component/MethodFrame.h"
#include "component/TapiRecord.h"
#include "sound/Kwtapisoundthread.h"
#include "thread/Kwtapithread.h"

TkwTAPI::TkwTAPI(TComponent *Owner)
    : TComponent(Owner),
      DebugLogFile(),
      pLineDevCaps(nullptr),
      pLineAddressCaps(nullptr),
      hLineApp(0),
      hLineApp2(0),
      hLine(0),
      hLine2(0),
      dwAPIVersion(0x00020000),
      AppTitle(),
      ExtensionID{},
      ExtensionID2{},
      Privileges(6),
      MediaModes(4),
      pLastCallInfo(nullptr),
      hStopEvent(0),
      hStopEvent2(0),
      hMadeCall(0) {}

// Host code may destroy the component from inside its own methods (a handler, the pump of a
// sound operation): those methods learn it first, so that nothing below this on the stack
// touches the component again or is left waiting for a thread deleted under it.
TkwTAPI::~TkwTAPI() {
  EndMethodFrames();
  if (pMsgThread) pMsgThread->StopDispatching();
  try {
    LogDebug("In [TkwTAPI::~TkwTAPI] before CloseDevice.");
    CloseDevice();
    LogDebug("In [TkwTAPI::~TkwTAPI] after CloseDevice.");
  } catch (Exception &e) {
    MessageBoxA(0, ("Internal error in [TkwTAPI::~TkwTAPI] msg: " + e.Message).c_str(), "ERROR",
                MB_OK);
  } catch (...) {
    MessageBoxA(0, "UNKNOWN Internal error in [TkwTAPI::~TkwTAPI]", "ERROR", MB_OK);
  }
  pSoundThread.reset();
  LetGoMessageThread(pMsgThread2);
  LetGoMessageThread(pMsgThread);
  pMethodFrames = nullptr;
  // Blocks a capability report stored while no device was open are not CloseDevice's.
  FreeTapiRecord(pLineAddressCaps);
  FreeTapiRecord(pLineDevCaps);
}

void TkwTAPI::Publish(TPublisher<TkwTAPI, TComponent> &p) {
  p.Event("OnTapiError", &TkwTAPI::OnTapiError);
  p.Event("OnCallerIDEvent", &TkwTAPI::OnCallerIDEvent);
  p.Event("OnCalledPartyIDEvent", &TkwTAPI::OnCalledPartyIDEvent);
  p.Event("OnCallConnectedEvent", &TkwTAPI::OnCallConnectedEvent);
  p.Event("OnCallDisconnectedEvent", &TkwTAPI::OnCallDisconnectedEvent);
  p.Event("OnCallRingEvent", &TkwTAPI::OnCallRingEvent);
  p.Event("OnCallInfoEvent", &TkwTAPI::OnCallInfoEvent);
  p.Event("OnCallLineReplyEvent", &TkwTAPI::OnCallLineReplyEvent);
  p.Event("OnCallOfferingEvent", &TkwTAPI::OnCallOfferingEvent);
  p.Event("OnCallDigitEvent", &TkwTAPI::OnCallDigitEvent);
  p.Property("Privileges", &TkwTAPI::Privileges, 6);
  p.Property("MediaModes", &TkwTAPI::MediaModes, 4);
  p.ReadOnly("AutomatedVoiceAllowed", &TkwTAPI::CheckAllowedAutomatedVoice, false);
  p.ReadOnly(
      "TAPIVersionString", [](TkwTAPI &c) { return c.TAPIVersionString.Value(); }, AnsiString());
  p.ReadOnly("OpenDeviceID", [](TkwTAPI &c) { return c.OpenDeviceID.Value(); });
  p.ReadOnly("TAPIDevicesDetected", [](TkwTAPI &c) { return c.TAPIDevicesDetected.Value(); });
  p.Property("DebugLogFile", &TkwTAPI::DebugLogFile, AnsiString());
  p.Property("AppTitle", &TkwTAPI::AppTitle, AnsiString());
}

// Asked also while no device is open, by the host or a design tool.
bool TkwTAPI::CheckAllowedAutomatedVoice() {
  return pLineDevCaps != nullptr && (pLineDevCaps->dwMediaModes & LINEMEDIAMODE_AUTOMATEDVOICE);
}

void Kwtapi::Register() {
  RegisterComponents("Quennit Software", {&ClassOf<TkwTAPI>()});
}
