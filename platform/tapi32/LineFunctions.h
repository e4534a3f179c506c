// The TAPI line functions the system calls, with TAPI's ANSI signatures. Each forwards to the
// installed telephony service provider (TapiProvider.h).
#pragma once

#ifdef _WIN32
// On Windows the system's own headers declare all of this.
#include <windows.h>
#include <tapi.h>
#else

#include "LineRecords.h"
#include "wintypes.h"

// Notification through a callback is not offered: lineInitializeExA takes the event-handle
// mechanism only, and the parameter stays for the signature's sake.
typedef void (*LINECALLBACK)(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwInstance,
                             DWORD_PTR dwParam1, DWORD_PTR dwParam2, DWORD_PTR dwParam3);

LONG lineInitializeExA(LPHLINEAPP lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                       LPCSTR lpszFriendlyAppName, LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                       LPLINEINITIALIZEEXPARAMS lpLineInitializeExParams);
LONG lineShutdown(HLINEAPP hLineApp);
LONG lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                             DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                             LPLINEEXTENSIONID lpExtensionID);
LONG lineGetDevCapsA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                     LPLINEDEVCAPS lpLineDevCaps);
LONG lineGetAddressCapsA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
                         DWORD dwExtVersion, LPLINEADDRESSCAPS lpAddressCaps);
// dwCallbackInstance is DWORD_PTR in TAPI, a DWORD on 32-bit Windows; LINEMESSAGE carries it.
LONG lineOpenA(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion,
               DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
               DWORD dwMediaModes, LPLINECALLPARAMS const lpCallParams);
LONG lineClose(HLINE hLine);
LONG lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates);
LONG lineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout);
LONG lineMakeCallA(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress, DWORD dwCountryCode,
                   LPLINECALLPARAMS const lpCallParams);
LONG tapiRequestMakeCallA(LPCSTR lpszDestAddress, LPCSTR lpszAppName, LPCSTR lpszCalledParty,
                          LPCSTR lpszComment);
LONG lineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize);
LONG lineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize);
LONG lineDeallocateCall(HCALL hCall);
LONG lineGetCallInfoA(HCALL hCall, LPLINECALLINFO lpCallInfo);
LONG lineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus);
LONG lineGetIDA(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, LPVARSTRING lpDeviceID,
                LPCSTR lpszDeviceClass);
LONG lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                      LPLINEGENERATETONE const lpTones);
LONG lineMonitorDigits(HCALL hCall, DWORD dwDigitModes);
LONG lineGenerateDigitsA(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits, DWORD dwDuration);

// The generic names, as TAPI's header maps them for an ANSI build.
#define lineInitializeEx lineInitializeExA
#define lineGetDevCaps lineGetDevCapsA
#define lineGetAddressCaps lineGetAddressCapsA
#define lineOpen lineOpenA
#define lineMakeCall lineMakeCallA
#define tapiRequestMakeCall tapiRequestMakeCallA
#define lineGetCallInfo lineGetCallInfoA
#define lineGetID lineGetIDA
#define lineGenerateDigits lineGenerateDigitsA

#endif  // _WIN32
