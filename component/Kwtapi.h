// The unit Kwtapi: TkwTAPI, the non-visual component through which a host drives one TAPI
// line device, and the free routine that names TAPI result codes.
//
// The host sets the writable published properties (Privileges, MediaModes, DebugLogFile,
// AppTitle) and the events as plain members, and reads the read-only ones (OpenDeviceID,
// TAPIDevicesDetected, TAPIVersionString) as members it cannot write. Everything else the
// component holds is private.
#pragma once

#include <tapi.h>
#include <vcl.h>
#include <windows.h>

#include "component/OwningHolder.h"
#include "component/ReadOnlyField.h"

class kwTAPIThread;
class kwTAPISoundThread;
class TMethodFrame;

using TTapiErrorEvent = TClosure<void(AnsiString asErrorDesc, int iErrorSection, int iFunctionID)>;
using TCallerIDEvent =
    TClosure<void(AnsiString asName, AnsiString asNumber, int iCallType, HCALL hCall)>;
using TCalledPartyIDEvent = TClosure<void(AnsiString asName, AnsiString asNumber, int iCallType)>;
using TCallConnectedEvent =
    TClosure<void(AnsiString asAppName, DWORD dwBearerMode, DWORD dwMediaMode, DWORD dwRate,
                  AnsiString asCalledPartyName, AnsiString asComments, HCALL hCall)>;
using TCallDisconnectedEvent = TClosure<void(HCALL hCall)>;
using TCallInfoEvent = TClosure<void(LINEMESSAGE *cbData, LINECALLINFO *pLineCallInfo)>;
using TCallRingEvent = TClosure<void(int iRingCount, const HCALL &hCall)>;
using TCallLineReplyEvent = TClosure<void(int iRequestID, int iStatus)>;
using TCallOfferingEvent = TClosure<void(HCALL hCall, int iOfferingMode, int iCallPrivaledge)>;
// A touch-tone digit the far end pressed on a monitored call (0-9 * # A-D); Sender is the
// component.
using TNotifyDigitEvent = TClosure<void(TObject *Sender, HCALL hCall, char cDigit)>;

// Writes the name of the TAPI constant for the code into buffer and returns buffer; a null
// buffer gives null. Keeps no state; safe on any thread.
char *TapiErrorText(LONG code, char *buffer);

class TkwTAPI : public TComponent {
 public:
  explicit TkwTAPI(TComponent *Owner);
  ~TkwTAPI() override;

  const TMetaClass &ClassType() const override { return ClassOf<TkwTAPI>(); }
  static void Publish(TPublisher<TkwTAPI, TComponent> &p);

  bool OpenDevice(DWORD &dwTAPIDeviceID_m, bool bPromptForDevice, bool bSuppressErrors);
  bool CloseDevice();
  DWORD I_lineNegotiateLegacyAPIVersion(DWORD dwDeviceID);
  DWORD I_lineNegotiateAPIVersion(DWORD dwDeviceID);
  // The accessor of the published property AutomatedVoiceAllowed.
  bool CheckAllowedAutomatedVoice();
  int GetTAPIDevice(unsigned int uiDeviceCount);
  bool ProcessMessage(MSG &msg);
  void ProcessMessages();
  void Dispatch(void *message) override;
  void DispatchCallEvent(LINEMESSAGE *cbData);
  bool MakeACall(AnsiString asCalledParty, AnsiString asDestAddress, int iCountryCode,
                 bool bBlockID, int iAssisted, DWORD *pdwSpare);
  bool BlockCall(DWORD hCall);
  int AnswerTheLine(DWORD &hCall, AnsiString *pasError);
  int CloseCall(DWORD &hCall);
  int kwGetCallStatus(DWORD &hCall, LINECALLSTATUS **ppCallStatus, AnsiString *pasError);
  int CheckForDialtone(DWORD &hCall);
  int GetCOMMPORTID(void *&hCommPort, DWORD &hCall, VARSTRING *pVarString);
  // Touch tones, answered with TAPI's result codes. MonitorDigits turns OnCallDigitEvent on or
  // off for the call; SendDigits plays 0-9 * # A-D (',' a pause) into it at the line's
  // default length, refusing any other character with LINEERR_INVALPARAM, nothing sent.
  int MonitorDigits(DWORD hCall, bool bOn);
  int SendDigits(DWORD hCall, AnsiString asDigits);
  bool PlayASound(AnsiString asFileName, AnsiString *pasStatus);
  bool RecordASound(AnsiString asFileName, DWORD &hCall, int iSeconds, AnsiString *pasStatus,
                    int *piBuffersRecorded);
  void StopRecording();
  // Ends the playbacks PlayASound is waiting for (a handler may call it from inside one): the
  // sound stops at once, the device is reset and closed, and PlayASound returns false with
  // "Error: Playback stopped before its end." in its status. Recordings go on.
  void StopPlaying();
  void TapiCheck(int code);
  AnsiString GetTapiError(LONG &code);
  void LogDebug(AnsiString asMessage);
  LINEDEVCAPS *GetDeviceCapabilities(DWORD &dwDeviceID, bool bPromptForDevice);
  LINEADDRESSCAPS *GetAddressCapabilities(DWORD &dwDeviceID, bool bPromptForDevice);
  AnsiString GetLineName(LINEDEVCAPS *caps);
  int FillTAPILine(TStrings *list, int count);
  LINEDEVCAPS *Get_The_LineDevCaps(DWORD &hLineApp, DWORD &dwAPIVersion, int &dwDeviceID);
  LINEADDRESSCAPS *Get_The_LineAddressCaps(DWORD &hLineApp, DWORD &dwAPIVersion, int &dwDeviceID);

 protected:
  // The end of a failed open, called from inside the handler that caught the failure: logs
  // it, clears OpenDeviceID and, unless told to be silent, raises OnTapiError (iFunctionID 1)
  // or shows a box where the failure kind asks for one.
  void ReportOpenFailure(int iSection, bool bSuppressErrors);

 private:
  // Steps of OpenDevice; each raises an abort with its failure text.
  void InitializeInstance(HLINEAPP &hApp, LINEINITIALIZEEXPARAMS &params, bool bRefreshVersion);
  void NegotiateInstance(HLINEAPP &hApp, LINEEXTENSIONID &extension);
  void CheckMediaModes();
  void RunLineOpenLoop(LINEINITIALIZEEXPARAMS &params, LINEINITIALIZEEXPARAMS &params2);
  LONG OpenLinePass(int iMediaRetries, LINEINITIALIZEEXPARAMS &params,
                    LINEINITIALIZEEXPARAMS &params2);
  void StartMessageThread(TOwningHolder<kwTAPIThread> &holder, HANDLE &hStop, HLINEAPP hApp,
                          HANDLE hTAPIEvent, bool bDispatch);
  bool HoldsAnything() const;
  DWORD NegotiateWithin(DWORD dwDeviceID, DWORD dwLow, DWORD dwHigh);
  void DispatchCallState(const TMethodFrame &frame, const LINEMESSAGE &message,
                         const LINECALLINFO &info);

 public:
  AnsiString DebugLogFile;

 private:
  LINEDEVCAPS *pLineDevCaps;
  LINEADDRESSCAPS *pLineAddressCaps;
  HLINEAPP hLineApp;
  HLINEAPP hLineApp2;
  HLINE hLine;
  HLINE hLine2;

 public:
  TReadOnlyField<DWORD, TkwTAPI> TAPIDevicesDetected{0};

 private:
  DWORD dwAPIVersion;

 public:
  AnsiString AppTitle;
  TReadOnlyField<DWORD, TkwTAPI> OpenDeviceID{0xFFFFFFFF};
  TReadOnlyField<AnsiString, TkwTAPI> TAPIVersionString{AnsiString()};

 private:
  LINEEXTENSIONID ExtensionID;
  LINEEXTENSIONID ExtensionID2;

 public:
  TTapiErrorEvent OnTapiError;
  TCallerIDEvent OnCallerIDEvent;
  TCalledPartyIDEvent OnCalledPartyIDEvent;
  TCallConnectedEvent OnCallConnectedEvent;
  TCallDisconnectedEvent OnCallDisconnectedEvent;
  TCallInfoEvent OnCallInfoEvent;
  TCallRingEvent OnCallRingEvent;
  TCallLineReplyEvent OnCallLineReplyEvent;
  TCallOfferingEvent OnCallOfferingEvent;
  TNotifyDigitEvent OnCallDigitEvent;
  int Privileges;
  int MediaModes;

 private:
  LINECALLINFO *pLastCallInfo;
  TOwningHolder<kwTAPIThread> pMsgThread;
  TOwningHolder<kwTAPIThread> pMsgThread2;
  HANDLE hStopEvent;
  HANDLE hStopEvent2;
  TOwningHolder<kwTAPISoundThread> pSoundThread;
  // Where TAPI writes the handle of a call MakeACall placed when its request completes.
  HCALL hMadeCall;

  // The methods on the stack that run host code, innermost first.
  friend class TMethodFrame;
  TMethodFrame *pMethodFrames = nullptr;
  bool Closing() const;
  bool RecordingInProgress() const;
  // Destruction: the methods on the stack learn that the component is gone.
  void EndMethodFrames();
  void LetGoMessageThread(TOwningHolder<kwTAPIThread> &holder);
  // CloseDevice's stop of one message thread; false when host code run during the wait
  // destroyed the component.
  bool StopMessageThreadOf(TMethodFrame &frame, TOwningHolder<kwTAPIThread> &holder, HANDLE &hStop);
  bool WaitForSound(TMethodFrame &frame, kwTAPISoundThread *pThread);
};

namespace Kwtapi {

// Puts TkwTAPI on the component palette page "Quennit Software".
void Register();

}  // namespace Kwtapi
