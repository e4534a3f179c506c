// On Windows the line functions reach the system's TAPI by default: a provider that hands
// every call to tapi32.dll, found at run time, so that the library's own line functions (which
// forward to whichever provider is installed) stay the ones the component links to.
#include <windows.h>

#include <tapi.h>

#include "platform/tapi32/TapiProvider.h"

namespace {

template <class Function>
Function *SystemFunction(const char *name) {
  static const HMODULE tapi32 = LoadLibraryA("tapi32.dll");
  if (tapi32 == nullptr) return nullptr;
  return reinterpret_cast<Function *>(reinterpret_cast<void *>(GetProcAddress(tapi32, name)));
}

// A system without TAPI (or without the function) answers as a service that cannot do it.
template <class Function, class... Arguments>
LONG CallSystem(const char *name, Arguments... arguments) {
  Function *function = SystemFunction<Function>(name);
  return function ? function(arguments...) : LINEERR_OPERATIONUNAVAIL;
}

#define CORVAX_SYSTEM(function, ...) CallSystem<decltype(::function)>(#function, __VA_ARGS__)

class SystemTapi : public TapiProvider {
 public:
  LONG LineInitializeEx(LPHLINEAPP lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                        LPCSTR lpszFriendlyAppName, LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                        LPLINEINITIALIZEEXPARAMS lpParams) override {
    return CORVAX_SYSTEM(lineInitializeExA, lphLineApp, hInstance, lpfnCallback,
                         lpszFriendlyAppName, lpdwNumDevs, lpdwAPIVersion, lpParams);
  }
  LONG LineShutdown(HLINEAPP hLineApp) override { return CORVAX_SYSTEM(lineShutdown, hLineApp); }
  LONG LineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                               DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                               LPLINEEXTENSIONID lpExtensionID) override {
    return CORVAX_SYSTEM(lineNegotiateAPIVersion, hLineApp, dwDeviceID, dwAPILowVersion,
                         dwAPIHighVersion, lpdwAPIVersion, lpExtensionID);
  }
  LONG LineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                      LPLINEDEVCAPS lpLineDevCaps) override {
    return CORVAX_SYSTEM(lineGetDevCapsA, hLineApp, dwDeviceID, dwAPIVersion, dwExtVersion,
                         lpLineDevCaps);
  }
  LONG LineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                          DWORD dwAPIVersion, DWORD dwExtVersion,
                          LPLINEADDRESSCAPS lpAddressCaps) override {
    return CORVAX_SYSTEM(lineGetAddressCapsA, hLineApp, dwDeviceID, dwAddressID, dwAPIVersion,
                         dwExtVersion, lpAddressCaps);
  }
  // TAPI's own signatures take the call parameters as writable records it never writes to.
  LONG LineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion,
                DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                DWORD dwMediaModes, const LINECALLPARAMS *lpCallParams) override {
    return CORVAX_SYSTEM(lineOpenA, hLineApp, dwDeviceID, lphLine, dwAPIVersion, dwExtVersion,
                         dwCallbackInstance, dwPrivileges, dwMediaModes,
                         const_cast<LPLINECALLPARAMS>(lpCallParams));
  }
  LONG LineClose(HLINE hLine) override { return CORVAX_SYSTEM(lineClose, hLine); }
  LONG LineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) override {
    return CORVAX_SYSTEM(lineSetStatusMessages, hLine, dwLineStates, dwAddressStates);
  }
  LONG LineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout) override {
    return CORVAX_SYSTEM(lineGetMessage, hLineApp, lpMessage, dwTimeout);
  }
  LONG LineMakeCall(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress, DWORD dwCountryCode,
                    const LINECALLPARAMS *lpCallParams) override {
    return CORVAX_SYSTEM(lineMakeCallA, hLine, lphCall, lpszDestAddress, dwCountryCode,
                         const_cast<LPLINECALLPARAMS>(lpCallParams));
  }
  LONG TapiRequestMakeCall(LPCSTR lpszDestAddress, LPCSTR lpszAppName, LPCSTR lpszCalledParty,
                           LPCSTR lpszComment) override {
    return CORVAX_SYSTEM(tapiRequestMakeCallA, lpszDestAddress, lpszAppName, lpszCalledParty,
                         lpszComment);
  }
  LONG LineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) override {
    return CORVAX_SYSTEM(lineAnswer, hCall, lpsUserUserInfo, dwSize);
  }
  LONG LineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) override {
    return CORVAX_SYSTEM(lineDrop, hCall, lpsUserUserInfo, dwSize);
  }
  LONG LineDeallocateCall(HCALL hCall) override { return CORVAX_SYSTEM(lineDeallocateCall, hCall); }
  LONG LineGetCallInfo(HCALL hCall, LPLINECALLINFO lpCallInfo) override {
    return CORVAX_SYSTEM(lineGetCallInfoA, hCall, lpCallInfo);
  }
  LONG LineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus) override {
    return CORVAX_SYSTEM(lineGetCallStatus, hCall, lpCallStatus);
  }
  LONG LineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                 LPVARSTRING lpDeviceID, LPCSTR lpszDeviceClass) override {
    return CORVAX_SYSTEM(lineGetIDA, hLine, dwAddressID, hCall, dwSelect, lpDeviceID,
                         lpszDeviceClass);
  }
  LONG LineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                        const LINEGENERATETONE *lpTones) override {
    return CORVAX_SYSTEM(lineGenerateTone, hCall, dwToneMode, dwDuration, dwNumTones,
                         const_cast<LPLINEGENERATETONE>(lpTones));
  }
  LONG LineMonitorDigits(HCALL hCall, DWORD dwDigitModes) override {
    return CORVAX_SYSTEM(lineMonitorDigits, hCall, dwDigitModes);
  }
  LONG LineGenerateDigits(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits,
                          DWORD dwDuration) override {
    return CORVAX_SYSTEM(lineGenerateDigitsA, hCall, dwDigitMode, lpszDigits, dwDuration);
  }
};

}  // namespace

TapiProvider *SystemTapiProvider() {
  static SystemTapi system;
  return &system;
}

TapiProvider &DefaultTapiProvider() {
  return *SystemTapiProvider();
}
