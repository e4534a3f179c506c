// The simulated exchange: the library's default telephony service provider, with line devices,
// line-application instances, calls and far-end parties all in process, and the control API a
// scenario is written with:
//
//   sim::Exchange &exchange = sim::TheExchange();
//   exchange.Reset();                                   // one default line device
//   exchange.Line(0).Name("Office").CallInfoExtraBytes(2000);
//   sim::CallId call = exchange.OfferCall(0, {.caller = {"Alice", "5551234"}});
//   exchange.Ring(0, 1);
//   ... the application answers with lineAnswer ...
//   exchange.HangUp(call);                              // DISCONNECTED, then IDLE
//
// Every TAPI operation passes sim::Perform (fault plan, journal). Nothing here sleeps: far-end
// actions and request completions happen when the test or host asks for them. Thread-safe.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tapi32/TapiProvider.h"
#include "platform/tapi32/tapi.h"
#include "simulator/Call.h"
#include "simulator/CallRecords.h"
#include "simulator/FarEndAudio.h"
#include "simulator/FaultPlan.h"
#include "simulator/InbandDigits.h"
#include "simulator/LineDevice.h"
#include "simulator/LineSetup.h"
#include "simulator/NetworkFarEnd.h"

/// The simulated exchange: the default telephony service and its control API.
namespace sim {

/// A tone the application generated on a call (lineGenerateTone: the recorder's beep).
struct GeneratedTone {
  CallId call = 0;     ///< the exchange's call
  HCALL hCall = 0;     ///< the application's handle it was asked with
  DWORD toneMode = 0;  ///< LINETONEMODE_ (BEEP for the beep)
  DWORD duration = 0;  ///< in milliseconds; 0 for the provider's default
};

/// Digits an application generated into a call (lineGenerateDigitsA).
struct DigitRequest {
  CallId call = 0;     ///< the exchange's call
  HCALL hCall = 0;     ///< the application's handle it was asked with
  std::string digits;  ///< 0-9 * # A-D, ',' a pause
  /// Each tone and each gap after it, in milliseconds, after the default and the range.
  DWORD milliseconds = 0;
};

/// A call an application handed to assisted telephony (tapiRequestMakeCallA).
struct AssistedRequest {
  std::string destAddress;  ///< the number to call
  std::string appName;      ///< the requesting application (TkwTAPI::AppTitle)
  std::string calledParty;  ///< the called party's name
  std::string comment;      ///< the request's comment
};

/// @brief The simulated exchange: line devices, calls and far-end parties in process.
///
/// The line functions (lineInitializeExA, lineOpenA, lineAnswer, ...) reach it unless another
/// provider is installed (sim::UseSimulatedExchange selects it; on Linux it is the default).
/// A host or a test configures its lines and then plays the far end:
/// @code
/// sim::Exchange &exchange = sim::TheExchange();
/// exchange.Reset(1);                              // one line device, id 0
/// exchange.Line(0).Name("Front Desk");
/// ... the host opens line 0 with TkwTAPI::OpenDevice ...
/// sim::CallId call = exchange.OfferCall(0);       // OnCallOfferingEvent
/// exchange.Ring(0, 1);                            // OnCallRingEvent
/// exchange.SetCallerId(call, {"Alice", "5551234"}); // OnCallerIDEvent
/// ... the host answers with TkwTAPI::AnswerTheLine: OnCallConnectedEvent ...
/// exchange.HangUp(call);                          // OnCallDisconnectedEvent
/// @endcode
/// Nothing here sleeps or waits: far-end actions and request completions happen when they
/// are called for, and their messages reach the application's queue at once (its events
/// follow when the host's main thread serves its messages). Every operation passes the
/// fault plan and the journal (simulator/Operation.h). All methods are thread-safe; the far
/// end is usually played from a thread of its own.
class Exchange : public TapiProvider {
 public:
  /// The version lineInitializeExA reports unless SetTapiVersion changes it: 2.2.
  static constexpr DWORD kDefaultTapiVersion = 0x00020002;
  /// The length of a beep asked for with no duration: TAPI leaves it to the provider.
  static constexpr DWORD kDefaultBeepMs = 300;

  /// An exchange with one default line device.
  Exchange();

  /// @name Configuration
  ///@{
  /// Back to a fresh exchange with @p lineCount default line devices (named "Corvax Simulated
  /// Line n", with voice and data-modem media modes, and wave devices numbered as the line):
  /// every line-application instance, call, pending request, fault and journal entry is
  /// dropped.
  void Reset(DWORD lineCount = 1);
  /// The number of line devices.
  DWORD LineCount() const;
  /// Adds a default line device; its id is the next number.
  LineSetup AddLine();
  /// Changes the existing device @p deviceId (ids count from 0 as TAPI numbers line devices);
  /// throws std::out_of_range for another id. See LineSetup.
  LineSetup Line(DWORD deviceId);
  /// The version lineInitializeExA reports and the highest any negotiation reaches.
  void SetTapiVersion(DWORD version);
  /// Without a request recipient, tapiRequestMakeCallA answers TAPIERR_NOREQUESTRECIPIENT.
  void SetRequestRecipient(bool present);
  /// A network plays the far end (not owned; null: none), as the SIP provider does.
  /// Answered calls then wait for Connect, and the network hears of calls placed, beeps and
  /// calls ended. Kept across Reset.
  void SetNetwork(NetworkFarEnd *network);
  ///@}

  /// @name The far end
  ///@{
  /// A new inbound call on device @p deviceId: the owner application (the first line opened
  /// with owner privilege for the call's media mode) and every monitoring line get a call
  /// handle, LINE_APPNEWCALL (API 2.0 and later) and LINE_CALLSTATE OFFERING with their
  /// privilege: OnCallOfferingEvent.
  ///
  /// The caller and called IDs in @p call are in the call's information from the start, so
  /// the component's OnCallInfoEvent shows them with the offering; but no LINE_CALLINFO
  /// announces them, so OnCallerIDEvent is not raised. A network delivers caller ID after the
  /// first ring: call SetCallerId then (as examples/first-host does) for OnCallerIDEvent.
  /// @return the call, or 0 when the device does not exist.
  CallId OfferCall(DWORD deviceId, IncomingCall call = {});
  /// One LINE_LINEDEVSTATE RINGING with @p ringCount (OnCallRingEvent), to the lines of the
  /// device that asked for ring messages (TkwTAPI::OpenDevice does, as its last step: a ring
  /// before then reaches nobody).
  void Ring(DWORD deviceId, DWORD ringCount);
  /// One LINE_LINEDEVSTATE @p state (a LINEDEVSTATE_ bit, e.g. OUTOFSERVICE or INSERVICE) with
  /// @p detail as its third parameter, to the lines of the device that asked for that state.
  void ReportLineState(DWORD deviceId, DWORD state, DWORD detail = 0);
  /// New caller identification, announced by LINE_CALLINFO with CALLERID: OnCallerIDEvent.
  /// This and the following return false, and do nothing, for a call that is unknown or in a
  /// state that does not allow it.
  bool SetCallerId(CallId call, PartyId caller);
  /// New called-party identification, announced by LINE_CALLINFO with CALLEDID:
  /// OnCalledPartyIDEvent.
  bool SetCalledId(CallId call, PartyId called);
  /// A LINE_CALLINFO with any LINECALLINFOSTATE_ bits, e.g. CALLERID | CALLID.
  bool ReportCallInfo(CallId call, DWORD infoStates);
  /// The called party answers an outgoing call: CONNECTED.
  bool Answer(CallId call);
  /// The network has set up an incoming call the application answered: CONNECTED. Only with
  /// a network (SetNetwork); without one, lineAnswer connects at once.
  bool Connect(CallId call);
  /// The called party's phone rings: RINGBACK.
  bool Ringback(CallId call);
  /// The called party is busy: BUSY.
  bool Busy(CallId call);
  /// The far end hangs up: DISCONNECTED (normal), then IDLE (OnCallDisconnectedEvent). The
  /// line carries its sound no more.
  bool HangUp(CallId call);
  ///@}

  /// @name What the far end says
  /// Through sim::Audio(), paced in time by default (FarEndAudio::Pacing).
  ///@{
  /// Says @p samples into the call @p reactionMs after the end of the next beep it hears, as
  /// a person leaving a message does. @return false for an unknown call or a line without a
  /// wave-in device.
  bool SayAfterBeep(CallId call, std::span<const int16_t> samples,
                    DWORD reactionMs = FarEndAudio::kReactionMs);
  /// Waits (on the platform clock) until the far end has said all it was given, then hangs up
  /// with its last word: the line's sound ends there, however late this thread wakes.
  /// @return false, without hanging up, when the call ended first or no beep came for a real
  /// minute.
  bool HangUpAfterSpeech(CallId call);
  ///@}

  /// @name Touch tones
  /// On a simulated line (no network) the far end's keys are tones in its sound, found by the
  /// exchange's receiver while an application monitors the call, and the digits applications
  /// generate are tones in what the far end hears (FarEndAudio::Played), on Linux.
  ///@{
  /// The far end presses @p keys (0-9 * # A-D, ',' a pause of kDigitPauseMs) after what it is
  /// still saying: each a tone of @p toneMs then @p interDigitMs of silence, in the call's
  /// sound, paced in time. Keys pressed while no application monitors the call reach nobody.
  /// @return false for an unknown or idle call, a line without a wave-in device or a network
  /// far end, another character, or where the calls' sound carries no tones (Windows).
  bool PressKeys(CallId call, std::string_view keys, DWORD interDigitMs = kDigitDefaultMs,
                 DWORD toneMs = kDigitDefaultMs);
  /// A digit the far end sent, detected in the call's sound or signalled by the network: its
  /// tone began (LINEDIGITMODE_DTMF) or ended (LINEDIGITMODE_DTMFEND) at @p tickCount (now by
  /// default). LINE_MONITORDIGITS goes to every application monitoring the call in that mode;
  /// for the others the digit is dropped, never kept for later. False for a call that is
  /// unknown or idle, a character no tone carries or another mode.
  bool DigitDetected(CallId call, char digit, DWORD digitMode,
                     std::optional<DWORD> tickCount = std::nullopt);
  /// The far end has heard the last of the digits generated into the call: LINE_GENERATE
  /// DONE to the application that asked. False when none are being played.
  bool DigitsPlayed(CallId call);
  /// While deferred, generated digits stay in progress until DigitsPlayed, as when a far end
  /// plays them in time; otherwise the simulated far end has heard them at once. A network
  /// that generates digits always says when it is done.
  void DeferDigits(bool defer);
  ///@}

  /// @name Asynchronous requests
  ///@{
  /// While deferred, lineMakeCallA, lineAnswer and lineDrop only return their request id;
  /// they complete, with LINE_REPLY and their effect, in CompleteRequests(). Otherwise they
  /// complete at once.
  void DeferReplies(bool defer);
  /// Completes every pending request in order; returns how many there were.
  size_t CompleteRequests();
  /// Makes requests complete with an error in their LINE_REPLY (operation names as in the
  /// journal, e.g. "lineAnswer"); the request's effect does not happen.
  FaultPlan &ReplyFaults();
  ///@}

  /// @name Observation
  ///@{
  /// The latest call on the device (0 when none).
  CallId LatestCall(DWORD deviceId) const;
  /// The latest call on the device that is not idle.
  std::optional<CallId> ActiveCall(DWORD deviceId) const;
  /// The call's LINECALLSTATE_ (IDLE for an unknown call).
  DWORD CallState(CallId call) const;
  /// The tones applications generated, in order.
  std::vector<GeneratedTone> GeneratedTones() const;
  /// The digits applications generated, in order.
  std::vector<DigitRequest> GeneratedDigits() const;
  /// The calls handed to assisted telephony, in order.
  std::vector<AssistedRequest> AssistedRequests() const;
  /// How many lines applications hold open on the device.
  size_t OpenLineCount(DWORD deviceId) const;
  /// Line-application instances not shut down: 0 once every host has closed.
  size_t ApplicationCount() const;
  /// Call handles not deallocated: 0 once every call has gone idle and been released.
  size_t CallHandleCount() const;
  /// The wave output device of a line (the id FarEndAudio::Played takes), if it has one.
  std::optional<UINT> WaveOutId(DWORD deviceId) const;
  /// The wave input device of a line (the id FarEndAudio::Send takes), if it has one.
  std::optional<UINT> WaveInId(DWORD deviceId) const;
  /// Every wave output device id some line has.
  std::vector<UINT> WaveOutIds() const;
  /// Every wave input device id some line has.
  std::vector<UINT> WaveInIds() const;
  ///@}

  /// @name The provider side
  /// The TAPI line functions land here; a host calls those functions, not these.
  ///@{

  /// lineInitializeExA and the line functions of the same names: TapiProvider's interface.
  LONG LineInitializeEx(LPHLINEAPP lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                        LPCSTR lpszFriendlyAppName, LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                        LPLINEINITIALIZEEXPARAMS lpParams) override;
  LONG LineShutdown(HLINEAPP hLineApp) override;
  LONG LineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                               DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                               LPLINEEXTENSIONID lpExtensionID) override;
  LONG LineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                      LPLINEDEVCAPS lpLineDevCaps) override;
  LONG LineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                          DWORD dwAPIVersion, DWORD dwExtVersion,
                          LPLINEADDRESSCAPS lpAddressCaps) override;
  LONG LineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion,
                DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                DWORD dwMediaModes, const LINECALLPARAMS *lpCallParams) override;
  LONG LineClose(HLINE hLine) override;
  LONG LineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) override;
  LONG LineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout) override;
  LONG LineMakeCall(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress, DWORD dwCountryCode,
                    const LINECALLPARAMS *lpCallParams) override;
  LONG TapiRequestMakeCall(LPCSTR lpszDestAddress, LPCSTR lpszAppName, LPCSTR lpszCalledParty,
                           LPCSTR lpszComment) override;
  LONG LineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) override;
  LONG LineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) override;
  LONG LineDeallocateCall(HCALL hCall) override;
  LONG LineGetCallInfo(HCALL hCall, LPLINECALLINFO lpCallInfo) override;
  LONG LineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus) override;
  LONG LineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                 LPVARSTRING lpDeviceID, LPCSTR lpszDeviceClass) override;
  LONG LineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                        const LINEGENERATETONE *lpTones) override;
  LONG LineMonitorDigits(HCALL hCall, DWORD dwDigitModes) override;
  LONG LineGenerateDigits(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits,
                          DWORD dwDuration) override;
  ///@}

 private:
  friend class LineSetup;

  struct Application {
    HANDLE event = 0;
    std::deque<LINEMESSAGE> queue;
    std::string friendlyName;
  };
  struct OpenLine {
    HLINEAPP app = 0;
    DWORD deviceId = 0;
    DWORD apiVersion = 0;
    DWORD_PTR callbackInstance = 0;
    DWORD privileges = 0;
    DWORD mediaModes = 0;
    DWORD lineStates = 0;
    DWORD addressStates = 0;
  };
  struct CallHandle {
    CallId call = 0;
    HLINE line = 0;
    DWORD privilege = 0;
    // A handle the application did not ask for learns its privilege from its first
    // LINE_CALLSTATE (dwParam3).
    bool privilegeTold = true;
    // The LINEDIGITMODE_ modes in which the application monitors the call's digits.
    DWORD monitoredDigits = 0;
  };
  struct Request {
    DWORD id = 0;
    HLINE line = 0;
    std::string operation;
    // Checked when the request completes: 0, or the error its LINE_REPLY carries.
    std::function<LONG()> validate;
    std::function<void()> apply;
  };

  using Lock = std::unique_lock<std::mutex>;

  void Configure(DWORD deviceId, const std::function<void(LineDevice &)> &change);
  void DropEverything();
  DWORD NewHandle();

  Application *FindApp(HLINEAPP app);
  OpenLine *FindLine(HLINE line);
  CallHandle *FindHandle(HCALL call);
  Call *FindCall(CallId call);
  bool DeviceExists(DWORD deviceId) const;
  DWORD NegotiableHigh(const LineDevice &device, DWORD high) const;
  bool Supports(const LineDevice &device, DWORD version) const;

  void Post(HLINEAPP app, const LINEMESSAGE &message);
  void PostToLine(HLINE line, DWORD messageId, DWORD device, DWORD param1, DWORD param2,
                  DWORD param3);
  HCALL GrantHandle(CallId call, HLINE line, DWORD privilege, bool unasked);
  void GrantToMonitors(Call &call, HLINE except);
  void ChangeState(Call &call, DWORD state, DWORD mode);
  void AnnounceCallInfo(const Call &call, DWORD infoStates);
  std::vector<HCALL> HandlesOf(CallId call) const;
  bool HasOwner(CallId call) const;
  void ReleaseHandlesOf(HLINE line);
  void CloseLine(HLINE line);
  Call &NewCall(DWORD deviceId);
  bool DeviceBusy(DWORD deviceId) const;
  // The simulated far end's side of the call's wave-in device; none when a network plays
  // the far end or the line has none.
  std::optional<UINT> SimulatedWaveIn(const Call &call) const;
  CallView ViewOf(const CallHandle &handle);
  // The touch tones of a device, as far as a network playing its far end carries them.
  DigitModes DigitModesOf(const LineDevice &device) const;
  LONG GenerateDigitsChecked(HCALL hCall, DWORD digitMode, LPCSTR digits, DWORD duration);
  // Ends the digits being generated into the call, telling the application that asked.
  void EndDigits(Call &call, DWORD termination);
  // Listens for the far end's keys in the call's sound while a handle monitors its digits.
  void ListenForDigits(const Call &call);

  LONG Accept(Request request);
  void Complete(Request &request);

  LONG OpenChecked(HLINEAPP app, DWORD deviceId, LPHLINE lphLine, DWORD apiVersion,
                   DWORD extVersion, DWORD_PTR callbackInstance, DWORD privileges,
                   DWORD mediaModes);
  LONG MakeCallChecked(HLINE line, LPHCALL lphCall, LPCSTR destAddress, DWORD countryCode,
                       const LINECALLPARAMS *params);
  void StartOutgoingCall(HLINE line, LPHCALL lphCall, const Call &setup);
  LONG DeviceIdOf(const OpenLine &line, const Call *call, const std::string &deviceClass,
                  LPVARSTRING deviceId);

  mutable std::mutex mutex_;
  std::vector<LineDevice> devices_;
  std::map<HLINEAPP, Application> apps_;
  std::map<HLINE, OpenLine> lines_;
  std::map<CallId, Call> calls_;
  std::map<HCALL, CallHandle> handles_;
  std::deque<Request> pending_;
  std::vector<GeneratedTone> tones_;
  std::vector<DigitRequest> digits_;
  std::vector<AssistedRequest> assisted_;
  FaultPlan replyFaults_;
  DWORD tapiVersion_ = kDefaultTapiVersion;
  bool requestRecipient_ = true;
  bool deferReplies_ = false;
  bool deferDigits_ = false;
  NetworkFarEnd *network_ = nullptr;
  // Handle values, call ids and request ids only grow, across Reset too, so a stale value
  // from an earlier scenario never names something new.
  DWORD nextHandle_ = 0x10000;
  DWORD nextRequest_ = 1;
  // Last: its thread reports into the rest, so it ends first.
  DigitListener listener_;
};

/// The process-wide exchange; the line functions reach it unless another provider is set.
Exchange &TheExchange();

}  // namespace sim
