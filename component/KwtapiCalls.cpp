// Acting on calls of the open line: place, answer, drop, status, dial-tone check, comm port,
// touch tones.
#include <string_view>

#include "component/Kwtapi.h"
#include "component/LineErrorNames.h"
#include "component/TapiRecord.h"
#include "component/VarStringValue.h"
#include "platform/tapi32/DigitString.h"
#include "platform/tapi32/LineRecordSizes.h"

namespace {

constexpr DWORD kCallStatusFixedSize = 56;
constexpr DWORD kDeviceIdBlockSize = 1024;

static_assert(sizeof(LINECALLPARAMS) >= kLineCallParamsSize);

// The TAPI 2.0 record: Windows' own is larger where it declares the 3.x fields.
LINECALLPARAMS CallParams(DWORD dwBearerMode, DWORD dwMediaMode, DWORD dwFlags) {
  LINECALLPARAMS params = {};
  params.dwTotalSize = kLineCallParamsSize;
  params.dwBearerMode = dwBearerMode;
  params.dwMediaMode = dwMediaMode;
  params.dwCallParamFlags = dwFlags;
  return params;
}

// The call a parameterless lineMakeCall places (voice, interactive voice), asking for caller-ID
// blocking; a line without interactive voice takes its automated voice. False when it has
// neither: the call is then placed without parameters rather than with a mode the line lacks.
bool BlockIdParams(const LINEDEVCAPS *pCaps, LINECALLPARAMS &params) {
  const DWORD dwModes = pCaps != nullptr ? pCaps->dwMediaModes : 0;
  for (const DWORD dwMode : {LINEMEDIAMODE_INTERACTIVEVOICE, LINEMEDIAMODE_AUTOMATEDVOICE}) {
    if (dwModes & dwMode) {
      params = CallParams(LINEBEARERMODE_VOICE, dwMode,
                          LINECALLPARAMFLAGS_IDLE | LINECALLPARAMFLAGS_BLOCKID);
      return true;
    }
  }
  return false;
}

void SetError(AnsiString *pasError, const AnsiString &asText) {
  if (pasError != nullptr) *pasError = asText;
}

LINECALLSTATUS *NewCallStatus(DWORD dwSize) {
  auto *pStatus =
      static_cast<LINECALLSTATUS *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, dwSize));
  if (pStatus != nullptr) pStatus->dwTotalSize = dwSize;
  return pStatus;
}

// A comm handle is read only when TAPI's answer fits in what the block holds.
LONG CommHandleOf(const VARSTRING &answer, void *&hCommPort) {
  const std::optional<DWORD> dwHandle = LeadingDword(answer);
  if (answer.dwNeededSize > answer.dwTotalSize || !dwHandle) return LINEERR_STRUCTURETOOSMALL;
  hCommPort = reinterpret_cast<void *>(static_cast<uintptr_t>(*dwHandle));
  return 0;
}

}  // namespace

// A direct call's handle arrives with its LINE_REPLY, after this method returned: TAPI writes
// it into the component, never into this frame nor through pdwSpare, which may not live that
// long; the host learns the handle from the call's events. With bBlockID the same call asks
// for caller-ID blocking.
bool TkwTAPI::MakeACall(AnsiString asCalledParty, AnsiString asDestAddress, int iCountryCode,
                        bool bBlockID, int iAssisted, DWORD * /*pdwSpare*/) {
  if (iAssisted != 0) {
    return tapiRequestMakeCallA(asDestAddress.c_str(), AppTitle.c_str(), asCalledParty.c_str(),
                                "Calling contact") == 0;
  }
  LINECALLPARAMS blockID = {};
  const bool bBlocking = bBlockID && BlockIdParams(pLineDevCaps, blockID);
  hMadeCall = 0;
  const HLINE hUsed = hLine2 != 0 ? hLine2 : hLine;
  return lineMakeCallA(hUsed, &hMadeCall, asDestAddress.c_str(), static_cast<DWORD>(iCountryCode),
                       bBlocking ? &blockID : nullptr) > 0;
}

bool TkwTAPI::BlockCall(DWORD hCall) {
  return lineDrop(hCall, nullptr, 0) > 0;
}

int TkwTAPI::CloseCall(DWORD &hCall) {
  return lineDrop(hCall, nullptr, 0);
}

int TkwTAPI::AnswerTheLine(DWORD &hCall, AnsiString *pasError) {
  const LONG lResult = lineAnswer(hCall, nullptr, 0);
  if (lResult > 0) return lResult;
  SetError(pasError, "Error: TkwTAPI::AnswerTheLine failed: " + TapiErrorString(lResult));
  return lResult;
}

int TkwTAPI::kwGetCallStatus(DWORD &hCall, LINECALLSTATUS **ppCallStatus, AnsiString *pasError) {
  if (*ppCallStatus != nullptr) HeapFree(GetProcessHeap(), 0, *ppCallStatus);
  *ppCallStatus = NewCallStatus(kCallStatusFixedSize);
  if (*ppCallStatus == nullptr) {
    SetError(pasError, "Error: TkwTAPI::kwGetCallStatus failed, calloc #1 failed!");
    return LINEERR_NOMEM;
  }
  for (;;) {
    const LONG lResult = lineGetCallStatus(hCall, *ppCallStatus);
    if (lResult != 0) {
      HeapFree(GetProcessHeap(), 0, *ppCallStatus);
      *ppCallStatus = nullptr;
      SetError(pasError, "Error: TkwTAPI::kwGetCallStatus failed: " + TapiErrorString(lResult));
      return lResult;
    }
    if ((*ppCallStatus)->dwTotalSize >= (*ppCallStatus)->dwNeededSize) return 0;
    const DWORD dwNeeded = (*ppCallStatus)->dwNeededSize;
    HeapFree(GetProcessHeap(), 0, *ppCallStatus);
    *ppCallStatus = NewCallStatus(dwNeeded);
    if (*ppCallStatus == nullptr) {
      SetError(pasError, "Error: TkwTAPI::kwGetCallStatus failed, calloc #2 failed!");
      return LINEERR_NOMEM;
    }
  }
}

int TkwTAPI::CheckForDialtone(DWORD &hCall) {
  LINECALLPARAMS params =
      CallParams(LINEBEARERMODE_PASSTHROUGH, LINEMEDIAMODE_DATAMODEM, LINECALLPARAMFLAGS_IDLE);
  params.dwAddressMode = LINEADDRESSMODE_ADDRESSID;
  return lineMakeCallA(hLine, &hCall, "", 1, &params);
}

int TkwTAPI::GetCOMMPORTID(void *&hCommPort, DWORD &hCall, VARSTRING *pVarString) {
  VARSTRING *pOwned = nullptr;
  if (pVarString == nullptr) {
    pOwned = static_cast<VARSTRING *>(LocalAlloc(LMEM_ZEROINIT, kDeviceIdBlockSize));
    if (pOwned == nullptr) return LINEERR_NOMEM;
    pOwned->dwTotalSize = kDeviceIdBlockSize;
    pVarString = pOwned;
  }
  LONG lResult =
      hCall != 0 ? lineGetIDA(hLine, 0, hCall, LINECALLSELECT_CALL, pVarString, "comm/datamodem")
                 : lineGetIDA(hLine, 0, 0, LINECALLSELECT_LINE, pVarString, "comm/datamodem");
  if (lResult == 0) lResult = CommHandleOf(*pVarString, hCommPort);
  if (pOwned != nullptr) LocalFree(pOwned);
  return lResult;
}

int TkwTAPI::MonitorDigits(DWORD hCall, bool bOn) {
  return lineMonitorDigits(hCall, bOn ? LINEDIGITMODE_DTMF : 0);
}

// Checked here, so that every provider refuses the same strings: TAPI's own skips characters
// it does not know.
int TkwTAPI::SendDigits(DWORD hCall, AnsiString asDigits) {
  if (!IsDtmfDigitString(std::string_view(asDigits.c_str(), asDigits.Length())))
    return LINEERR_INVALPARAM;
  return lineGenerateDigitsA(hCall, LINEDIGITMODE_DTMF, asDigits.c_str(), 0);
}
