// SIP line devices behind the provider interface. The exchange keeps the applications' side
// of the lines and calls (instances, handles, states, messages, records) exactly as for
// simulated lines; this provider is its far end on the network: INVITEs become offered calls,
// answers become 200 OK, drops become BYE, placed calls become INVITEs, and the lines' wave
// devices carry the calls' RTP.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/tapi32/TapiProvider.h"
#include "providers/sip/AudioRoutes.h"
#include "providers/sip/RtpWaveDriver.h"
#include "providers/sip/SipConfig.h"
#include "providers/sip/SipLog.h"
#include "simulator/NetworkFarEnd.h"

namespace sim {
class Exchange;
}

/// SIP line devices (Linux; libcorvax-sip, Corvax::sip, corvax-sip.pc).
namespace sipnet {

class EventLoop;
class SipEndpoint;
class SipLine;

/// @brief SIP line devices behind the line functions: each `[line]` of a configuration file
/// is one line device, or with `channels = N` that many (a hunt group of one number),
/// numbered from 0 in file order.
///
/// @code
/// sipnet::SipProvider lines("/etc/corvax/sip.conf");  // or "" for $CORVAX_SIP_CONFIG
/// if (lines.StartError() != 0) std::cerr << lines.StartReason() << "\n";
/// lines.Install();  // from here the line and wave functions use the SIP lines
/// ... open line 0 with TkwTAPI::OpenDevice as on any provider ...
/// @endcode
///
/// The simulated exchange keeps the applications' side of the lines and calls, so the
/// component sees the same events as on simulated lines: an INVITE becomes
/// OnCallOfferingEvent with the caller ID (From header) and rings every three seconds;
/// TkwTAPI::AnswerTheLine sends 200 OK; the caller's BYE ends the call (OnCallDisconnectedEvent);
/// TkwTAPI::MakeACall to "sip:user@host:port" sends an INVITE. A line's wave devices carry
/// the call's RTP (G.711), so PlayASound and RecordASound work on it. Touch tones go both ways
/// (lineMonitorDigits, lineGenerateDigits): as RFC 4733 telephone-events when the peer offers
/// or accepts them, else as tones in the sound; digits in SIP INFO (application/dtmf-relay)
/// are taken too.
///
/// The provider starts its lines (binds their addresses, registers where a registrar is
/// configured, waiting up to five seconds for each) when it is constructed, on an event loop
/// thread of its own, and stops them when destroyed; keep it alive while the lines are used.
/// The configuration's form is in the README ("SIP lines on Linux").
class SipProvider : public TapiProvider, private sim::NetworkFarEnd {
 public:
  /// Reads the configuration at @p configPath ("" for the file CORVAX_SIP_CONFIG names) and
  /// starts its lines. Never throws for a bad configuration: StartError says why, and every
  /// lineInitializeExA then fails with it.
  explicit SipProvider(const std::string &configPath);
  /// Stops the lines and, when installed, gives the line and wave functions back to the
  /// default provider (the simulated exchange).
  ~SipProvider() override;
  SipProvider(const SipProvider &) = delete;
  SipProvider &operator=(const SipProvider &) = delete;

  /// Makes this the provider of the line functions and the driver of the wave functions.
  void Install();
  /// 0 when the lines serve; else the LINEERR_ every lineInitializeExA answers:
  /// LINEERR_INIFILECORRUPT for a file that is missing or wrong (StartReason names the file
  /// and line), LINEERR_RESOURCEUNAVAIL for an address in use, LINEERR_NODRIVER when the
  /// event loop cannot start.
  LONG StartError() const { return startError_; }
  /// Why the lines cannot serve (also written to the provider's log); empty when they can.
  const std::string &StartReason() const { return startReason_; }
  /// The configured lines, in file order (a line's channels are consecutive devices).
  const std::vector<LineConfig> &Lines() const { return config_.lines; }

  /// @name The provider side
  /// The TAPI line functions land here once installed; a host calls those functions.
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
  void Start(const std::string &configPath);
  void StartLines();
  void DescribeDevices();
  SipEndpoint &EndpointFor(const LineConfig &line);
  void AwaitRegistrations();
  void Fail(LONG code, const std::string &reason);
  // Runs `task` on the stack's thread after the current event, unless the lines are gone.
  void Later(std::function<void()> task);
  // Runs `task` later with every line (a call's line knows it by its id).
  void OnLines(std::function<void(SipLine &)> task);

  void Answering(sim::CallId call) override;
  void Placing(sim::CallId call, DWORD deviceId, const std::string &destAddress) override;
  void Beeping(sim::CallId call, DWORD milliseconds) override;
  void Ended(sim::CallId call) override;
  sim::DigitModes Digits() const override;
  void GeneratingDigits(sim::CallId call, const std::string &digits, DWORD milliseconds) override;

  sim::Exchange &exchange_;
  ProviderConfig config_;
  std::unique_ptr<Log> log_;
  AudioRoutes routes_;
  RtpWaveDriver waves_{routes_};
  LONG startError_ = 0;
  std::string startReason_;
  bool installed_ = false;
  std::vector<size_t> lineOfDevice_;  // index into config_.lines
  // Touched on the stack's thread only; the lines go before the endpoints they use.
  std::vector<std::unique_ptr<SipEndpoint>> endpoints_;
  std::vector<std::unique_ptr<SipLine>> lines_;
  std::unique_ptr<EventLoop> loop_;
};

}  // namespace sipnet
