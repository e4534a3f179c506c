// The telephony service provider behind the line functions: one operation per line function
// the system uses, in the spirit of TAPI's service-provider interface. The embedded simulated
// exchange is the default; another provider (a network one, a bridge to the real service)
// installs itself with SetTapiProvider and nothing above this interface changes.
#pragma once

#include "LineFunctions.h"
#include "LineRecords.h"

class TapiProvider {
 public:
  virtual ~TapiProvider() = default;

  virtual LONG LineInitializeEx(LPHLINEAPP lphLineApp, HINSTANCE hInstance,
                                LINECALLBACK lpfnCallback, LPCSTR lpszFriendlyAppName,
                                LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                                LPLINEINITIALIZEEXPARAMS lpParams) = 0;
  virtual LONG LineShutdown(HLINEAPP hLineApp) = 0;
  virtual LONG LineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                       DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                                       LPLINEEXTENSIONID lpExtensionID) = 0;
  virtual LONG LineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                              DWORD dwExtVersion, LPLINEDEVCAPS lpLineDevCaps) = 0;
  virtual LONG LineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                                  DWORD dwAPIVersion, DWORD dwExtVersion,
                                  LPLINEADDRESSCAPS lpAddressCaps) = 0;
  virtual LONG LineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion,
                        DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                        DWORD dwMediaModes, const LINECALLPARAMS *lpCallParams) = 0;
  virtual LONG LineClose(HLINE hLine) = 0;
  virtual LONG LineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) = 0;
  virtual LONG LineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout) = 0;
  virtual LONG LineMakeCall(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress,
                            DWORD dwCountryCode, const LINECALLPARAMS *lpCallParams) = 0;
  virtual LONG TapiRequestMakeCall(LPCSTR lpszDestAddress, LPCSTR lpszAppName,
                                   LPCSTR lpszCalledParty, LPCSTR lpszComment) = 0;
  virtual LONG LineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) = 0;
  virtual LONG LineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) = 0;
  virtual LONG LineDeallocateCall(HCALL hCall) = 0;
  virtual LONG LineGetCallInfo(HCALL hCall, LPLINECALLINFO lpCallInfo) = 0;
  virtual LONG LineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus) = 0;
  virtual LONG LineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                         LPVARSTRING lpDeviceID, LPCSTR lpszDeviceClass) = 0;
  virtual LONG LineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                                const LINEGENERATETONE *lpTones) = 0;
  // Touch tones. A provider without them answers as TAPI does for a service provider that
  // lacks the function.
  virtual LONG LineMonitorDigits(HCALL hCall, DWORD dwDigitModes);
  virtual LONG LineGenerateDigits(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits,
                                  DWORD dwDuration);
};

// The provider the line functions forward to: the installed one, else the default.
TapiProvider &CurrentTapiProvider();
// Installs a provider (not owned; it must outlive its use), or restores the default with null,
// and returns the one it replaces. Meant for start-up, before any line-application instance
// exists.
TapiProvider *SetTapiProvider(TapiProvider *provider);
// The default provider: the simulated exchange on Linux (defined by it), the system's TAPI on
// Windows (platform/windows).
TapiProvider &DefaultTapiProvider();
// The system's own TAPI: the default on Windows; null on Linux, which has none.
TapiProvider *SystemTapiProvider();
