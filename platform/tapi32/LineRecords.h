// The TAPI 2.0 line records with the layouts TAPI publishes for 32-bit Windows. Every record
// ends where its last 2.0 field ends; later versions only append.
//
// TAPI's own headers pack these records to 1 byte. Every field is a naturally aligned DWORD
// (or WORD), so natural alignment gives the same offsets and sizes while keeping pointers to
// fields well aligned; the static_asserts below and ci/layout-check hold that true.
#pragma once

#ifdef _WIN32
// On Windows the system's own headers declare all of this.
#include <windows.h>
#include <tapi.h>
#else

#include <cstddef>

#include "wintypes.h"

typedef DWORD HLINEAPP, *LPHLINEAPP;
typedef DWORD HLINE, *LPHLINE;
typedef DWORD HCALL, *LPHCALL;

#ifndef CORVAX_SYSTEMTIME_DEFINED
#define CORVAX_SYSTEMTIME_DEFINED
typedef struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;
#endif

// Callback-instance and parameter fields are DWORD_PTR in TAPI; on 32-bit Windows that is a
// DWORD, which keeps the record 24 bytes here.
typedef struct linemessage_tag {
  DWORD hDevice;
  DWORD dwMessageID;
  DWORD dwCallbackInstance;
  DWORD dwParam1;
  DWORD dwParam2;
  DWORD dwParam3;
} LINEMESSAGE, *LPLINEMESSAGE;

typedef struct lineinitializeexparams_tag {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwOptions;
  union {
    HANDLE hEvent;
    HANDLE hCompletionPort;
  } Handles;
  DWORD dwCompletionKey;
} LINEINITIALIZEEXPARAMS, *LPLINEINITIALIZEEXPARAMS;

typedef struct lineextensionid_tag {
  DWORD dwExtensionID0;
  DWORD dwExtensionID1;
  DWORD dwExtensionID2;
  DWORD dwExtensionID3;
} LINEEXTENSIONID, *LPLINEEXTENSIONID;

typedef struct linedialparams_tag {
  DWORD dwDialPause;
  DWORD dwDialSpeed;
  DWORD dwDigitDuration;
  DWORD dwWaitForDialtone;
} LINEDIALPARAMS, *LPLINEDIALPARAMS;

typedef struct linegeneratetone_tag {
  DWORD dwFrequency;
  DWORD dwCadenceOn;
  DWORD dwCadenceOff;
  DWORD dwVolume;
} LINEGENERATETONE, *LPLINEGENERATETONE;

typedef struct varstring_tag {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwStringFormat;
  DWORD dwStringSize;
  DWORD dwStringOffset;
} VARSTRING, *LPVARSTRING;

typedef struct linecallstatus_tag {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwCallState;
  DWORD dwCallStateMode;
  DWORD dwCallPrivilege;
  DWORD dwCallFeatures;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  DWORD dwCallFeatures2;
  SYSTEMTIME tStateEntryTime;
} LINECALLSTATUS, *LPLINECALLSTATUS;

typedef struct linecallparams_tag {
  DWORD dwTotalSize;
  DWORD dwBearerMode;
  DWORD dwMinRate;
  DWORD dwMaxRate;
  DWORD dwMediaMode;
  DWORD dwCallParamFlags;
  DWORD dwAddressMode;
  DWORD dwAddressID;
  LINEDIALPARAMS DialParams;
  DWORD dwOrigAddressSize;
  DWORD dwOrigAddressOffset;
  DWORD dwDisplayableAddressSize;
  DWORD dwDisplayableAddressOffset;
  DWORD dwCalledPartySize;
  DWORD dwCalledPartyOffset;
  DWORD dwCommentSize;
  DWORD dwCommentOffset;
  DWORD dwUserUserInfoSize;
  DWORD dwUserUserInfoOffset;
  DWORD dwHighLevelCompSize;
  DWORD dwHighLevelCompOffset;
  DWORD dwLowLevelCompSize;
  DWORD dwLowLevelCompOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  DWORD dwPredictiveAutoTransferStates;
  DWORD dwTargetAddressSize;
  DWORD dwTargetAddressOffset;
  DWORD dwSendingFlowspecSize;
  DWORD dwSendingFlowspecOffset;
  DWORD dwReceivingFlowspecSize;
  DWORD dwReceivingFlowspecOffset;
  DWORD dwDeviceClassSize;
  DWORD dwDeviceClassOffset;
  DWORD dwDeviceConfigSize;
  DWORD dwDeviceConfigOffset;
  DWORD dwCallDataSize;
  DWORD dwCallDataOffset;
  DWORD dwNoAnswerTimeout;
  DWORD dwCallingPartyIDSize;
  DWORD dwCallingPartyIDOffset;
} LINECALLPARAMS, *LPLINECALLPARAMS;

typedef struct linecallinfo_tag {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  HLINE hLine;
  DWORD dwLineDeviceID;
  DWORD dwAddressID;
  DWORD dwBearerMode;
  DWORD dwRate;
  DWORD dwMediaMode;
  DWORD dwAppSpecific;
  DWORD dwCallID;
  DWORD dwRelatedCallID;
  DWORD dwCallParamFlags;
  DWORD dwCallStates;
  DWORD dwMonitorDigitModes;
  DWORD dwMonitorMediaModes;
  LINEDIALPARAMS DialParams;
  DWORD dwOrigin;
  DWORD dwReason;
  DWORD dwCompletionID;
  DWORD dwNumOwners;
  DWORD dwNumMonitors;
  DWORD dwCountryCode;
  DWORD dwTrunk;
  DWORD dwCallerIDFlags;
  DWORD dwCallerIDSize;
  DWORD dwCallerIDOffset;
  DWORD dwCallerIDNameSize;
  DWORD dwCallerIDNameOffset;
  DWORD dwCalledIDFlags;
  DWORD dwCalledIDSize;
  DWORD dwCalledIDOffset;
  DWORD dwCalledIDNameSize;
  DWORD dwCalledIDNameOffset;
  DWORD dwConnectedIDFlags;
  DWORD dwConnectedIDSize;
  DWORD dwConnectedIDOffset;
  DWORD dwConnectedIDNameSize;
  DWORD dwConnectedIDNameOffset;
  DWORD dwRedirectionIDFlags;
  DWORD dwRedirectionIDSize;
  DWORD dwRedirectionIDOffset;
  DWORD dwRedirectionIDNameSize;
  DWORD dwRedirectionIDNameOffset;
  DWORD dwRedirectingIDFlags;
  DWORD dwRedirectingIDSize;
  DWORD dwRedirectingIDOffset;
  DWORD dwRedirectingIDNameSize;
  DWORD dwRedirectingIDNameOffset;
  DWORD dwAppNameSize;
  DWORD dwAppNameOffset;
  DWORD dwDisplayableAddressSize;
  DWORD dwDisplayableAddressOffset;
  DWORD dwCalledPartySize;
  DWORD dwCalledPartyOffset;
  DWORD dwCommentSize;
  DWORD dwCommentOffset;
  DWORD dwDisplaySize;
  DWORD dwDisplayOffset;
  DWORD dwUserUserInfoSize;
  DWORD dwUserUserInfoOffset;
  DWORD dwHighLevelCompSize;
  DWORD dwHighLevelCompOffset;
  DWORD dwLowLevelCompSize;
  DWORD dwLowLevelCompOffset;
  DWORD dwChargingInfoSize;
  DWORD dwChargingInfoOffset;
  DWORD dwTerminalModesSize;
  DWORD dwTerminalModesOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  DWORD dwCallTreatment;
  DWORD dwCallDataSize;
  DWORD dwCallDataOffset;
  DWORD dwSendingFlowspecSize;
  DWORD dwSendingFlowspecOffset;
  DWORD dwReceivingFlowspecSize;
  DWORD dwReceivingFlowspecOffset;
} LINECALLINFO, *LPLINECALLINFO;

typedef struct linedevcaps_tag {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwProviderInfoSize;
  DWORD dwProviderInfoOffset;
  DWORD dwSwitchInfoSize;
  DWORD dwSwitchInfoOffset;
  DWORD dwPermanentLineID;
  DWORD dwLineNameSize;
  DWORD dwLineNameOffset;
  DWORD dwStringFormat;
  DWORD dwAddressModes;
  DWORD dwNumAddresses;
  DWORD dwBearerModes;
  DWORD dwMaxRate;
  DWORD dwMediaModes;
  DWORD dwGenerateToneModes;
  DWORD dwGenerateToneMaxNumFreq;
  DWORD dwGenerateDigitModes;
  DWORD dwMonitorToneMaxNumFreq;
  DWORD dwMonitorToneMaxNumEntries;
  DWORD dwMonitorDigitModes;
  DWORD dwGatherDigitsMinTimeout;
  DWORD dwGatherDigitsMaxTimeout;
  DWORD dwMedCtlDigitMaxListSize;
  DWORD dwMedCtlMediaMaxListSize;
  DWORD dwMedCtlToneMaxListSize;
  DWORD dwMedCtlCallStateMaxListSize;
  DWORD dwDevCapFlags;
  DWORD dwMaxNumActiveCalls;
  DWORD dwAnswerMode;
  DWORD dwRingModes;
  DWORD dwLineStates;
  DWORD dwUUIAcceptSize;
  DWORD dwUUIAnswerSize;
  DWORD dwUUIMakeCallSize;
  DWORD dwUUIDropSize;
  DWORD dwUUISendUserUserInfoSize;
  DWORD dwUUICallInfoSize;
  LINEDIALPARAMS MinDialParams;
  LINEDIALPARAMS MaxDialParams;
  LINEDIALPARAMS DefaultDialParams;
  DWORD dwNumTerminals;
  DWORD dwTerminalCapsSize;
  DWORD dwTerminalCapsOffset;
  DWORD dwTerminalTextEntrySize;
  DWORD dwTerminalTextSize;
  DWORD dwTerminalTextOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  DWORD dwLineFeatures;
  DWORD dwSettableDevStatus;
  DWORD dwDeviceClassesSize;
  DWORD dwDeviceClassesOffset;
} LINEDEVCAPS, *LPLINEDEVCAPS;

typedef struct lineaddresscaps_tag {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwLineDeviceID;
  DWORD dwAddressSize;
  DWORD dwAddressOffset;
  DWORD dwDevSpecificSize;
  DWORD dwDevSpecificOffset;
  DWORD dwAddressSharing;
  DWORD dwAddressStates;
  DWORD dwCallInfoStates;
  DWORD dwCallerIDFlags;
  DWORD dwCalledIDFlags;
  DWORD dwConnectedIDFlags;
  DWORD dwRedirectionIDFlags;
  DWORD dwRedirectingIDFlags;
  DWORD dwCallStates;
  DWORD dwDialToneModes;
  DWORD dwBusyModes;
  DWORD dwSpecialInfo;
  DWORD dwDisconnectModes;
  DWORD dwMaxNumActiveCalls;
  DWORD dwMaxNumOnHoldCalls;
  DWORD dwMaxNumOnHoldPendingCalls;
  DWORD dwMaxNumConference;
  DWORD dwMaxNumTransConf;
  DWORD dwAddrCapFlags;
  DWORD dwCallFeatures;
  DWORD dwRemoveFromConfCaps;
  DWORD dwRemoveFromConfState;
  DWORD dwTransferModes;
  DWORD dwParkModes;
  DWORD dwForwardModes;
  DWORD dwMaxForwardEntries;
  DWORD dwMaxSpecificEntries;
  DWORD dwMinFwdNumRings;
  DWORD dwMaxFwdNumRings;
  DWORD dwMaxCallCompletions;
  DWORD dwCallCompletionConds;
  DWORD dwCallCompletionModes;
  DWORD dwNumCompletionMessages;
  DWORD dwCompletionMsgTextEntrySize;
  DWORD dwCompletionMsgTextSize;
  DWORD dwCompletionMsgTextOffset;
  DWORD dwAddressFeatures;
  DWORD dwPredictiveAutoTransferStates;
  DWORD dwNumCallTreatments;
  DWORD dwCallTreatmentListSize;
  DWORD dwCallTreatmentListOffset;
  DWORD dwDeviceClassesSize;
  DWORD dwDeviceClassesOffset;
  DWORD dwMaxCallDataSize;
  DWORD dwCallFeatures2;
  DWORD dwMaxNoAnswerTimeout;
  DWORD dwConnectedModes;
  DWORD dwOfferingModes;
  DWORD dwAvailableMediaModes;
} LINEADDRESSCAPS, *LPLINEADDRESSCAPS;

// The published sizes, and the offset of every field the component reads.
#define CORVAX_TAPI_FIELD_AT(record, field, offset) \
  static_assert(offsetof(record, field) == (offset), #record "." #field)

static_assert(sizeof(LINEMESSAGE) == 24);
CORVAX_TAPI_FIELD_AT(LINEMESSAGE, hDevice, 0);
CORVAX_TAPI_FIELD_AT(LINEMESSAGE, dwMessageID, 4);
CORVAX_TAPI_FIELD_AT(LINEMESSAGE, dwCallbackInstance, 8);
CORVAX_TAPI_FIELD_AT(LINEMESSAGE, dwParam1, 12);
CORVAX_TAPI_FIELD_AT(LINEMESSAGE, dwParam2, 16);
CORVAX_TAPI_FIELD_AT(LINEMESSAGE, dwParam3, 20);

static_assert(sizeof(LINEINITIALIZEEXPARAMS) == 24);
CORVAX_TAPI_FIELD_AT(LINEINITIALIZEEXPARAMS, dwOptions, 12);
CORVAX_TAPI_FIELD_AT(LINEINITIALIZEEXPARAMS, Handles.hEvent, 16);
CORVAX_TAPI_FIELD_AT(LINEINITIALIZEEXPARAMS, dwCompletionKey, 20);

static_assert(sizeof(LINEEXTENSIONID) == 16);
static_assert(sizeof(LINEDIALPARAMS) == 16);
static_assert(sizeof(LINEGENERATETONE) == 16);

static_assert(sizeof(VARSTRING) == 24);
CORVAX_TAPI_FIELD_AT(VARSTRING, dwStringFormat, 12);
CORVAX_TAPI_FIELD_AT(VARSTRING, dwStringSize, 16);
CORVAX_TAPI_FIELD_AT(VARSTRING, dwStringOffset, 20);

static_assert(sizeof(SYSTEMTIME) == 16);
static_assert(sizeof(LINECALLSTATUS) == 56);
CORVAX_TAPI_FIELD_AT(LINECALLSTATUS, dwCallState, 12);
CORVAX_TAPI_FIELD_AT(LINECALLSTATUS, dwCallStateMode, 16);
CORVAX_TAPI_FIELD_AT(LINECALLSTATUS, dwCallPrivilege, 20);
CORVAX_TAPI_FIELD_AT(LINECALLSTATUS, dwCallFeatures, 24);
CORVAX_TAPI_FIELD_AT(LINECALLSTATUS, dwDevSpecificSize, 28);
CORVAX_TAPI_FIELD_AT(LINECALLSTATUS, dwCallFeatures2, 36);
CORVAX_TAPI_FIELD_AT(LINECALLSTATUS, tStateEntryTime, 40);

static_assert(sizeof(LINECALLPARAMS) == 176);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwBearerMode, 4);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwMediaMode, 16);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwCallParamFlags, 20);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwAddressMode, 24);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwAddressID, 28);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, DialParams, 32);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwCalledPartySize, 64);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwCommentSize, 72);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwDevSpecificSize, 104);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwPredictiveAutoTransferStates, 112);
CORVAX_TAPI_FIELD_AT(LINECALLPARAMS, dwCallingPartyIDOffset, 172);

static_assert(sizeof(LINECALLINFO) == 324);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, hLine, 12);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwBearerMode, 24);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwRate, 28);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwMediaMode, 32);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCallID, 40);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, DialParams, 64);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwOrigin, 80);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwNumOwners, 92);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCallerIDFlags, 108);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCallerIDSize, 112);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCallerIDOffset, 116);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCallerIDNameSize, 120);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCallerIDNameOffset, 124);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCalledIDFlags, 128);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCalledIDSize, 132);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCalledIDOffset, 136);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCalledIDNameSize, 140);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCalledIDNameOffset, 144);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwAppNameSize, 208);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwAppNameOffset, 212);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCalledPartySize, 224);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCalledPartyOffset, 228);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCommentSize, 232);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCommentOffset, 236);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwDevSpecificSize, 288);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwDevSpecificOffset, 292);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwCallTreatment, 296);
CORVAX_TAPI_FIELD_AT(LINECALLINFO, dwReceivingFlowspecOffset, 320);

static_assert(sizeof(LINEDEVCAPS) == 252);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwProviderInfoSize, 12);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwPermanentLineID, 28);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwLineNameSize, 32);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwLineNameOffset, 36);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwStringFormat, 40);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwAddressModes, 44);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwNumAddresses, 48);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwBearerModes, 52);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwMaxRate, 56);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwMediaModes, 60);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwGenerateToneModes, 64);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwDevCapFlags, 112);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwMaxNumActiveCalls, 116);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwAnswerMode, 120);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwRingModes, 124);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwLineStates, 128);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, MinDialParams, 156);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, DefaultDialParams, 188);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwNumTerminals, 204);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwDevSpecificSize, 228);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwDevSpecificOffset, 232);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwLineFeatures, 236);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwSettableDevStatus, 240);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwDeviceClassesSize, 244);
CORVAX_TAPI_FIELD_AT(LINEDEVCAPS, dwDeviceClassesOffset, 248);

static_assert(sizeof(LINEADDRESSCAPS) == 228);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwLineDeviceID, 12);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwAddressSize, 16);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwAddressOffset, 20);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwDevSpecificSize, 24);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwAddressSharing, 32);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwAddressStates, 36);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwCallInfoStates, 40);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwCallerIDFlags, 44);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwCallStates, 64);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwMaxNumActiveCalls, 84);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwCallFeatures, 108);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwAddressFeatures, 176);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwDeviceClassesSize, 196);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwCallFeatures2, 208);
CORVAX_TAPI_FIELD_AT(LINEADDRESSCAPS, dwAvailableMediaModes, 224);

#undef CORVAX_TAPI_FIELD_AT

#endif  // _WIN32
