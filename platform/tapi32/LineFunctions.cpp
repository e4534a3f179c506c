#include "LineFunctions.h"

#include "TapiProvider.h"

LONG lineInitializeExA(LPHLINEAPP lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                       LPCSTR lpszFriendlyAppName, LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                       LPLINEINITIALIZEEXPARAMS lpLineInitializeExParams) {
  return CurrentTapiProvider().LineInitializeEx(lphLineApp, hInstance, lpfnCallback,
                                                lpszFriendlyAppName, lpdwNumDevs, lpdwAPIVersion,
                                                lpLineInitializeExParams);
}

LONG lineShutdown(HLINEAPP hLineApp) {
  return CurrentTapiProvider().LineShutdown(hLineApp);
}

LONG lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                             DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                             LPLINEEXTENSIONID lpExtensionID) {
  return CurrentTapiProvider().LineNegotiateAPIVersion(
      hLineApp, dwDeviceID, dwAPILowVersion, dwAPIHighVersion, lpdwAPIVersion, lpExtensionID);
}

LONG lineGetDevCapsA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                     LPLINEDEVCAPS lpLineDevCaps) {
  return CurrentTapiProvider().LineGetDevCaps(hLineApp, dwDeviceID, dwAPIVersion, dwExtVersion,
                                              lpLineDevCaps);
}

LONG lineGetAddressCapsA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
                         DWORD dwExtVersion, LPLINEADDRESSCAPS lpAddressCaps) {
  return CurrentTapiProvider().LineGetAddressCaps(hLineApp, dwDeviceID, dwAddressID, dwAPIVersion,
                                                  dwExtVersion, lpAddressCaps);
}

LONG lineOpenA(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion,
               DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
               DWORD dwMediaModes, LPLINECALLPARAMS const lpCallParams) {
  return CurrentTapiProvider().LineOpen(hLineApp, dwDeviceID, lphLine, dwAPIVersion, dwExtVersion,
                                        dwCallbackInstance, dwPrivileges, dwMediaModes,
                                        lpCallParams);
}

LONG lineClose(HLINE hLine) {
  return CurrentTapiProvider().LineClose(hLine);
}

LONG lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
  return CurrentTapiProvider().LineSetStatusMessages(hLine, dwLineStates, dwAddressStates);
}

LONG lineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout) {
  return CurrentTapiProvider().LineGetMessage(hLineApp, lpMessage, dwTimeout);
}

LONG lineMakeCallA(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress, DWORD dwCountryCode,
                   LPLINECALLPARAMS const lpCallParams) {
  return CurrentTapiProvider().LineMakeCall(hLine, lphCall, lpszDestAddress, dwCountryCode,
                                            lpCallParams);
}

LONG tapiRequestMakeCallA(LPCSTR lpszDestAddress, LPCSTR lpszAppName, LPCSTR lpszCalledParty,
                          LPCSTR lpszComment) {
  return CurrentTapiProvider().TapiRequestMakeCall(lpszDestAddress, lpszAppName, lpszCalledParty,
                                                   lpszComment);
}

LONG lineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) {
  return CurrentTapiProvider().LineAnswer(hCall, lpsUserUserInfo, dwSize);
}

LONG lineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) {
  return CurrentTapiProvider().LineDrop(hCall, lpsUserUserInfo, dwSize);
}

LONG lineDeallocateCall(HCALL hCall) {
  return CurrentTapiProvider().LineDeallocateCall(hCall);
}

LONG lineGetCallInfoA(HCALL hCall, LPLINECALLINFO lpCallInfo) {
  return CurrentTapiProvider().LineGetCallInfo(hCall, lpCallInfo);
}

LONG lineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus) {
  return CurrentTapiProvider().LineGetCallStatus(hCall, lpCallStatus);
}

LONG lineGetIDA(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, LPVARSTRING lpDeviceID,
                LPCSTR lpszDeviceClass) {
  return CurrentTapiProvider().LineGetID(hLine, dwAddressID, hCall, dwSelect, lpDeviceID,
                                         lpszDeviceClass);
}

LONG lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                      LPLINEGENERATETONE const lpTones) {
  return CurrentTapiProvider().LineGenerateTone(hCall, dwToneMode, dwDuration, dwNumTones, lpTones);
}

LONG lineMonitorDigits(HCALL hCall, DWORD dwDigitModes) {
  return CurrentTapiProvider().LineMonitorDigits(hCall, dwDigitModes);
}

LONG lineGenerateDigitsA(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits, DWORD dwDuration) {
  return CurrentTapiProvider().LineGenerateDigits(hCall, dwDigitMode, lpszDigits, dwDuration);
}
