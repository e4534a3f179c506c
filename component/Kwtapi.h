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

/// @file
/// The component TkwTAPI, its event types and TapiErrorText.

/// OnTapiError: why OpenDevice failed. Raised inside OpenDevice, on its caller's thread,
/// before it returns false. @p asErrorDesc is the failure's text ("No TAPI devices
/// detected", "lineOpen failed with iMediaRetries: 0 with code: LINEERR_ALLOCATED", ...);
/// @p iErrorSection the stage that failed: 0 initialising TAPI, 1 counting the line devices,
/// 2 choosing the device, negotiating the version, reading its capabilities and checking the
/// media modes, 3 opening the line and starting its message thread, 4 asking for line state
/// messages; @p iFunctionID is always 1 (OpenDevice).
using TTapiErrorEvent = TClosure<void(AnsiString asErrorDesc, int iErrorSection, int iFunctionID)>;
/// OnCallerIDEvent: the caller's identification, from a LINE_CALLINFO message that announces
/// it. @p asName and @p asNumber are "N/A" when not given; @p iCallType is 0 (none of the
/// following), 1 blocked, 2 out of area, 3 unknown, 4 unavailable; @p hCall the call.
/// Arrives on the main thread, like every line event (see TkwTAPI).
using TCallerIDEvent =
    TClosure<void(AnsiString asName, AnsiString asNumber, int iCallType, HCALL hCall)>;
/// OnCalledPartyIDEvent: the called party's identification, from a LINE_CALLINFO message
/// that announces only it; name and number "N/A" when not given, @p iCallType as for the
/// caller. On the main thread.
using TCalledPartyIDEvent = TClosure<void(AnsiString asName, AnsiString asNumber, int iCallType)>;
/// OnCallConnectedEvent: the call @p hCall is connected (answered by the host, or by the
/// called party of a call the host placed), with its bearer mode, media mode and rate and
/// the application name, called-party name ("N/A" when not given) and comments of its call
/// information. On the main thread.
using TCallConnectedEvent =
    TClosure<void(AnsiString asAppName, DWORD dwBearerMode, DWORD dwMediaMode, DWORD dwRate,
                  AnsiString asCalledPartyName, AnsiString asComments, HCALL hCall)>;
/// OnCallDisconnectedEvent: the call @p hCall is idle; a recording in progress has been told
/// to stop. Right after the handler returns the component releases the handle
/// (lineDeallocateCall): the host must not use it afterwards. On the main thread.
using TCallDisconnectedEvent = TClosure<void(HCALL hCall)>;
/// OnCallInfoEvent: every line message, raised after the message's own event. @p cbData is
/// the message; @p pLineCallInfo the call information of the latest call message (null
/// before the first). Both point into the component and are valid only during the handler.
/// On the main thread.
using TCallInfoEvent = TClosure<void(LINEMESSAGE *cbData, LINECALLINFO *pLineCallInfo)>;
/// OnCallRingEvent: the line rings; @p iRingCount is TAPI's count for the current call,
/// @p hCall the line's handle (the ring is a line state). On the main thread.
using TCallRingEvent = TClosure<void(int iRingCount, const HCALL &hCall)>;
/// OnCallLineReplyEvent: the asynchronous request @p iRequestID (the positive result of
/// AnswerTheLine, CloseCall, MakeACall, ...) has completed: @p iStatus is 0 or a LINEERR_
/// code. On the main thread.
using TCallLineReplyEvent = TClosure<void(int iRequestID, int iStatus)>;
/// OnCallOfferingEvent: a new call @p hCall is offered on the line, with TAPI's offering
/// mode and the line's privilege to it (LINECALLPRIVILEGE_OWNER lets it answer). The handle
/// is the host's to answer or drop until the call goes idle. On the main thread.
using TCallOfferingEvent = TClosure<void(HCALL hCall, int iOfferingMode, int iCallPrivaledge)>;
/// OnCallDigitEvent: the far end pressed the touch-tone key @p cDigit (0-9 * # A-D) on the
/// call @p hCall, which MonitorDigits monitors; once a key press. @p Sender is the component.
/// On the main thread.
using TNotifyDigitEvent = TClosure<void(TObject *Sender, HCALL hCall, char cDigit)>;

/// Writes the name of the TAPI constant for @p code ("LINEERR_ALLOCATED") into @p buffer and
/// returns @p buffer; a null buffer gives null. 0 and positive codes give "Unknown error
/// code: 0x..." texts, phone errors "PHONEERR_ error codes not translated.  Code: 0x...". The
/// buffer needs room for 100 characters. Keeps no state; safe on any thread.
char *TapiErrorText(LONG code, char *buffer);

/// @brief The telephony component: one TAPI line device, its calls, its sound and its events.
///
/// A host creates it (with an owner, or nullptr and destroys it itself), assigns handlers
/// to its events, opens a line with OpenDevice, answers or places calls, plays and records
/// sound with PlayASound and RecordASound, and closes the line with CloseDevice (the
/// destructor closes it too). examples/first-host/first-host.cpp is a whole host.
///
/// **Threads.** Call every method on the host's main thread: the thread that called
/// `Application->Initialize()` or, when no thread did, the thread that first opens a line.
/// Every line event (all events but OnTapiError) is raised on that thread, one at a time in
/// TAPI's order, and only while that thread serves its window messages: a message loop
/// (`MsgWaitForMultipleObjects` and `Application->ProcessMessages()`, or ProcessMessages), a
/// modal dialog, or the wait inside PlayASound and RecordASound, which pump. A line message
/// waits in TAPI's queue until then. Handlers run inside that pump and may call the
/// component's methods. A host that serves several lines side by side gives each component a
/// thread of its own: a component whose line is opened on a thread inside a
/// `TSynchronizeHere` scope has that thread for its main thread, in all the above.
///
/// **Ownership.** Call handles (HCALL) handed to events are the host's to act on until the
/// call goes idle; the component releases them then (see OnCallDisconnectedEvent). What
/// kwGetCallStatus and Get_The_LineDevCaps / Get_The_LineAddressCaps return is the host's
/// to release; what GetDeviceCapabilities and GetAddressCapabilities return stays the
/// component's. A communications handle from GetCOMMPORTID is the host's to close.
///
/// **Errors.** OpenDevice reports through OnTapiError (or a message box); the call
/// operations through their results and error texts; the capability reports raise
/// Exception; failures on the component's own threads end in message boxes, which reach the
/// notice handler (win32::SetNoticeHandler) and by default one line on standard error.
class TkwTAPI : public TComponent {
 public:
  /// Creates a closed component (no TAPI call is made); @p Owner, when given, destroys it.
  explicit TkwTAPI(TComponent *Owner);
  /// Closes the line (CloseDevice), ends a playback or recording still running and waits
  /// for the component's threads. Never raises; a failure shows a message box. A handler may
  /// destroy the component, also from inside PlayASound or RecordASound: the methods on the
  /// stack then return without touching it (PlayASound and RecordASound return false).
  ~TkwTAPI() override;

  /// The framework's class of the component.
  const TMetaClass &ClassType() const override { return ClassOf<TkwTAPI>(); }
  /// Declares the published properties and events (for form files and the designer).
  static void Publish(TPublisher<TkwTAPI, TComponent> &p);

  /// Opens line device @p dwTAPIDeviceID_m (0-based, as TAPI numbers line devices) with the
  /// Privileges and MediaModes set, and starts delivering its events. A component that has a
  /// line open closes it first. Refused ("The device cannot be opened while it is being
  /// closed.") when called from a handler that a running CloseDevice serves.
  /// @param dwTAPIDeviceID_m the device to open; receives the one the user chose when the
  ///   dialog is shown (0xFFFFFFFF when cancelled).
  /// @param bPromptForDevice show the device dialog (TfrmTAPIDevList) when TAPI has more than
  ///   one line device.
  /// @param bSuppressErrors tell the host nothing on failure (no OnTapiError, no message
  ///   box); the debug log still has the reason.
  /// @return true when the line is open. On failure OpenDeviceID is 0xFFFFFFFF and
  ///   OnTapiError has told why (without a handler, only unexpected errors show a box).
  ///   When the device refuses the media modes and supports data-modem calls, the line is
  ///   opened a second time through a second TAPI instance and Privileges becomes 2
  ///   (monitor).
  bool OpenDevice(DWORD &dwTAPIDeviceID_m, bool bPromptForDevice, bool bSuppressErrors);
  /// Stops the message threads, closes the line(s), shuts TAPI down and releases the
  /// capability and call-information records. Safe to call at any time, also twice.
  /// @return true when something was open and everything closed; false otherwise (also after
  ///   a failure, which shows a message box).
  bool CloseDevice();
  /// Negotiates a TAPI version from 1.4 to 2.0 for @p dwDeviceID on the open instance.
  /// @return the version, or 0 when the device supports none of them or TAPI refuses.
  DWORD I_lineNegotiateLegacyAPIVersion(DWORD dwDeviceID);
  /// Negotiates TAPI version 1.4 exactly for @p dwDeviceID on the open instance.
  /// @return 0x00010004, or 0 when the device does not support it or TAPI refuses.
  DWORD I_lineNegotiateAPIVersion(DWORD dwDeviceID);
  /// Whether the open device supports LINEMEDIAMODE_AUTOMATEDVOICE: the published property
  /// AutomatedVoiceAllowed. False while no device is open.
  bool CheckAllowedAutomatedVoice();
  /// Shows the device dialog with the names of @p uiDeviceCount line devices and waits for
  /// the user (the modal driver in use acts for them: SetModalDriver).
  /// @return the chosen device id (0-based), or -1 when the dialog was cancelled. Raises the
  ///   framework's Exception when a device's name cannot be read.
  int GetTAPIDevice(unsigned int uiDeviceCount);
  /// Takes one window message of the calling thread from its queue and dispatches it (a
  /// WM_QUIT is dropped). @return false when the queue was empty.
  bool ProcessMessage(MSG &msg);
  /// Dispatches every message waiting in the calling thread's queue, then returns: one turn
  /// of a message loop, which delivers the line events waiting for the main thread.
  void ProcessMessages();
  /// The component's window-message entry; passes everything to TComponent.
  void Dispatch(void *message) override;
  /// Turns one line message into the component's events; the message thread calls it on
  /// the main thread. A host does not call it. Raises the framework's Exception when the call
  /// information cannot be read.
  void DispatchCallEvent(LINEMESSAGE *cbData);
  /// Places a call from the open line to @p asDestAddress (a number, or on SIP lines a SIP
  /// address), or hands it to assisted telephony.
  /// @param asCalledParty the called party's name, for assisted telephony only.
  /// @param asDestAddress the number or address to call.
  /// @param iCountryCode the country code; 0 for the default.
  /// @param bBlockID ask the network not to show the caller's identification.
  /// @param iAssisted non-zero: request the call through tapiRequestMakeCallA with AppTitle
  ///   instead of placing it on the line.
  /// @param pdwSpare not used: the new call's handle is not written anywhere the host owns,
  ///   since the request completes after this method has returned.
  /// @return true when TAPI accepted the request; the call's progress arrives as events
  ///   (OnCallLineReplyEvent, OnCallInfoEvent with its states and the call's handle in its
  ///   message's hDevice, OnCallConnectedEvent).
  bool MakeACall(AnsiString asCalledParty, AnsiString asDestAddress, int iCountryCode,
                 bool bBlockID, int iAssisted, DWORD *pdwSpare);
  /// Drops the call @p hCall (lineDrop). @return true when TAPI accepted the request.
  bool BlockCall(DWORD hCall);
  /// Answers an offered call.
  /// @param hCall the call, as OnCallOfferingEvent gave it.
  /// @param pasError null, or receives "Error: TkwTAPI::AnswerTheLine failed: " and the
  ///   LINEERR_ name when TAPI refuses.
  /// @return a positive request id (the call is connected when OnCallConnectedEvent
  ///   arrives), or the negative LINEERR_ code.
  int AnswerTheLine(DWORD &hCall, AnsiString *pasError);
  /// Hangs up the call @p hCall (lineDrop). The handle stays valid until the call goes idle.
  /// @return a positive request id, or the negative LINEERR_ code.
  int CloseCall(DWORD &hCall);
  /// Reads the status of a call.
  /// @param hCall the call.
  /// @param ppCallStatus receives a LINECALLSTATUS block, grown to the size TAPI needs. The
  ///   block is the host's: release it with `HeapFree(GetProcessHeap(), 0, p)`, or pass it
  ///   back to the next call, which releases it first. Null after a failure.
  /// @param pasError null, or receives the reason of a failure.
  /// @return 0, or a LINEERR_ code (LINEERR_NOMEM when no block could be had).
  int kwGetCallStatus(DWORD &hCall, LINECALLSTATUS **ppCallStatus, AnsiString *pasError);
  /// Takes the line off-hook without dialling (a data-modem call in pass-through mode), to
  /// check for dial tone; the call's states arrive as events, and CloseCall ends it.
  /// @param hCall receives the new call's handle when the request completes.
  /// @return a positive request id, or the negative LINEERR_ code.
  int CheckForDialtone(DWORD &hCall);
  /// Gets the communications handle of the line's modem ("comm/datamodem").
  /// @param hCall the call whose handle is asked for; 0 for the line's.
  /// @param hCommPort receives the handle; it is the host's to close (CloseHandle).
  /// @param pVarString null, or a VARSTRING of the host's that receives TAPI's whole answer.
  /// @return 0, or a LINEERR_ code (hCommPort unchanged).
  int GetCOMMPORTID(void *&hCommPort, DWORD &hCall, VARSTRING *pVarString);
  /// Turns OnCallDigitEvent on or off for the call's touch-tone digits (lineMonitorDigits,
  /// LINEDIGITMODE_DTMF); digits of a call not monitored are dropped, never kept for later.
  /// @return 0, or a LINEERR_ code: INVALCALLHANDLE for a call that is not the host's,
  ///   INVALDIGITMODE for a line without touch tones.
  int MonitorDigits(DWORD hCall, bool bOn);
  /// Plays touch-tone digits into the call (lineGenerateDigits, LINEDIGITMODE_DTMF, the
  /// line's default length): 0-9 * # A-D, ',' a pause. LINE_GENERATE follows when they have
  /// been played (OnCallInfoEvent).
  /// @return 0, or a LINEERR_ code: INVALPARAM, nothing sent, for any other character;
  ///   INVALCALLHANDLE for a call that is not the host's.
  int SendDigits(DWORD hCall, AnsiString asDigits);
  /// Plays a WAV file into the line's call through the line's wave output device (converted
  /// by the wave mapper when it is not 8 kHz 16-bit mono PCM). Returns when the whole file
  /// has been played or playback failed; pumps the calling thread's messages meanwhile, so
  /// events (a hang-up among them) are raised during it.
  /// @param asFileName the WAV file.
  /// @param pasStatus null, or receives every error text of the playback ("Error: SoundFile
  ///   NOT found.", "Error: waveOutOpen while QUERY returned: ..."); may be non-empty after a
  ///   success when releasing the device failed.
  /// @return true when the file was played.
  bool PlayASound(AnsiString asFileName, AnsiString *pasStatus);
  /// Records the line's call into a WAV file (8 kHz, 16-bit, mono PCM) after a beep, one
  /// second at a time, until @p iSeconds have been recorded, the caller falls silent, or
  /// StopRecording is called (the call going idle calls it). The file is a complete WAV file
  /// after every second. Returns when the recording has ended; pumps the calling thread's
  /// messages meanwhile.
  /// @param asFileName the file to write; an existing one is replaced.
  /// @param hCall the call on which the beep sounds.
  /// @param iSeconds the longest recording, 1 to 600.
  /// @param pasStatus null, or receives why the recording failed (also: a recording already
  ///   running, a length out of range, a file that could not be written).
  /// @param piBuffersRecorded null, or receives the number of one-second buffers recorded.
  /// @return true when the recording ran to its end; false when it could not start or its
  ///   file could not be written (what was written before stays a complete WAV file).
  bool RecordASound(AnsiString asFileName, DWORD &hCall, int iSeconds, AnsiString *pasStatus,
                    int *piBuffersRecorded);
  /// Ends a recording in progress; it keeps what it has. Does nothing otherwise.
  void StopRecording();
  /// Ends the playbacks PlayASound is waiting for (a handler may call it from inside one): the
  /// sound stops at once, the device is reset and closed, and PlayASound returns false with
  /// "Error: Playback stopped before its end." in its status. Recordings go on.
  void StopPlaying();
  /// Writes the name of a negative TAPI result @p code to the debug log; other codes are
  /// ignored.
  void TapiCheck(int code);
  /// The name of the TAPI constant for @p code, as TapiErrorText gives it. Works whether a
  /// line is open or not; @p code is not changed.
  AnsiString GetTapiError(LONG &code);
  /// Appends "@p asMessage - yyyy/mm/dd hh:nn:ss" to DebugLogFile (nothing when it is
  /// empty), trying five times; a file that cannot be written shows a message box.
  void LogDebug(AnsiString asMessage);
  /// Reads the capabilities of line device @p dwDeviceID through a TAPI instance of its own.
  /// @param dwDeviceID the device; receives the chosen one when the dialog is shown, and
  ///   0xFFFFFFFF on failure.
  /// @param bPromptForDevice show the device dialog first when there is more than one device.
  /// @return the record (null for a device that reports its strings in another format than
  ///   ASCII, or a cancelled dialog). It stays the component's: valid until the next report,
  ///   OpenDevice or CloseDevice; the host must not release it. Raises the framework's
  ///   Exception when TAPI cannot be used or the device does not exist.
  LINEDEVCAPS *GetDeviceCapabilities(DWORD &dwDeviceID, bool bPromptForDevice);
  /// Reads the capabilities of address 0 of line device @p dwDeviceID, as
  /// GetDeviceCapabilities does (a cancelled dialog reports on the device passed in).
  /// @return the record, the component's until the next report or CloseDevice; null when
  ///   TAPI refuses.
  LINEADDRESSCAPS *GetAddressCapabilities(DWORD &dwDeviceID, bool bPromptForDevice);
  /// The line name in @p caps: "Line Unavailable" for null, "Line Unnamed" for a record
  /// without an ASCII name, "Line Name is Empty" for an empty one.
  AnsiString GetLineName(LINEDEVCAPS *caps);
  /// Fills @p list with the names of line devices 0 to @p count - 1, one entry per device,
  /// so that entry n is device n. Raises the framework's Exception (EAbort) when TAPI
  /// cannot be used or a device does not exist; the entries added so far stay.
  /// @return -1.
  int FillTAPILine(TStrings *list, int count);
  /// Reads the capabilities of device @p dwDeviceID on the instance @p hLineApp at
  /// @p dwAPIVersion, growing the record as TAPI asks.
  /// @return a new record that the caller owns (release it with
  ///   `HeapFree(GetProcessHeap(), 0, p)`), or null when TAPI refuses or the strings are
  ///   not ASCII.
  LINEDEVCAPS *Get_The_LineDevCaps(DWORD &hLineApp, DWORD &dwAPIVersion, int &dwDeviceID);
  /// Reads the capabilities of address 0 of device @p dwDeviceID as Get_The_LineDevCaps
  /// does. @return a new record that the caller owns, or null when TAPI refuses.
  LINEADDRESSCAPS *Get_The_LineAddressCaps(DWORD &hLineApp, DWORD &dwAPIVersion, int &dwDeviceID);

 protected:
  /// The end of a failed open, called from inside the handler that caught the failure: logs
  /// it, clears OpenDeviceID and, unless told to be silent, raises OnTapiError (iFunctionID 1)
  /// or shows a box where the failure kind asks for one.
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
  /// The debug log's path (published); empty, the default, logs nothing. OpenDevice,
  /// DispatchCallEvent and the destructor write their steps there.
  AnsiString DebugLogFile;

 private:
  LINEDEVCAPS *pLineDevCaps;
  LINEADDRESSCAPS *pLineAddressCaps;
  HLINEAPP hLineApp;
  HLINEAPP hLineApp2;
  HLINE hLine;
  HLINE hLine2;

 public:
  /// The number of line devices TAPI reported when OpenDevice initialised it (read-only);
  /// 0 when closed.
  TReadOnlyField<DWORD, TkwTAPI> TAPIDevicesDetected{0};

 private:
  DWORD dwAPIVersion;

 public:
  /// The application name MakeACall gives assisted telephony (published).
  AnsiString AppTitle;
  /// The open device's id (read-only); 0xFFFFFFFF when none is open.
  TReadOnlyField<DWORD, TkwTAPI> OpenDeviceID{0xFFFFFFFF};
  /// The negotiated TAPI version as "major.minor" (read-only), e.g. "2.0".
  TReadOnlyField<AnsiString, TkwTAPI> TAPIVersionString{AnsiString()};

 private:
  LINEEXTENSIONID ExtensionID;
  LINEEXTENSIONID ExtensionID2;

 public:
  /// Why OpenDevice failed (TTapiErrorEvent). Assign a bound method, or any callable
  /// through TEventHandlers; an unassigned event is not raised.
  TTapiErrorEvent OnTapiError;
  /// The caller's identification (TCallerIDEvent).
  TCallerIDEvent OnCallerIDEvent;
  /// The called party's identification (TCalledPartyIDEvent).
  TCalledPartyIDEvent OnCalledPartyIDEvent;
  /// A call is connected (TCallConnectedEvent).
  TCallConnectedEvent OnCallConnectedEvent;
  /// A call is over and its handle about to be released (TCallDisconnectedEvent).
  TCallDisconnectedEvent OnCallDisconnectedEvent;
  /// Every line message, with the latest call information (TCallInfoEvent).
  TCallInfoEvent OnCallInfoEvent;
  /// The line rings (TCallRingEvent).
  TCallRingEvent OnCallRingEvent;
  /// An asynchronous request completed (TCallLineReplyEvent).
  TCallLineReplyEvent OnCallLineReplyEvent;
  /// A call is offered (TCallOfferingEvent).
  TCallOfferingEvent OnCallOfferingEvent;
  /// A digit was pressed on a monitored call (TNotifyDigitEvent).
  TNotifyDigitEvent OnCallDigitEvent;
  /// LINECALLPRIVILEGE_ bits for lineOpen (published); 6, owner and monitor, by default.
  int Privileges;
  /// LINEMEDIAMODE_ bits for lineOpen, checked against the device (published); 4,
  /// interactive voice, by default.
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

/// The unit's registration entry.
namespace Kwtapi {

/// Puts TkwTAPI on the component palette page "Quennit Software".
void Register();

}  // namespace Kwtapi
