// Turning TAPI result codes into text, and how a failed open reaches the host.
#include "component/Kwtapi.h"
#include "component/LineErrorNames.h"

#include <cstring>

namespace {

constexpr DWORD kErrorBit = 0x80000000u;
constexpr DWORD kPhoneErrorBits = 0x90000000u;
constexpr DWORD kLineErrorIndexMask = 0x0FFFFFFFu;

}  // namespace

char *TapiErrorText(LONG code, char *buffer) {
  if (buffer == nullptr) return nullptr;
  const DWORD dwCode = static_cast<DWORD>(code);
  if ((dwCode & kPhoneErrorBits) == kPhoneErrorBits) {
    wsprintfA(buffer, "PHONEERR_ error codes not translated.  Code: 0x%lx", dwCode);
  } else if ((dwCode & kErrorBit) != 0) {
    const char *pszName = LineErrorName(dwCode & kLineErrorIndexMask);
    if (pszName != nullptr) {
      std::strcpy(buffer, pszName);
    } else {
      wsprintfA(buffer, "Unknown LINEERR_ code: 0x%lx", dwCode);
    }
  } else {
    wsprintfA(buffer, "Unknown error code: 0x%lx", dwCode);
  }
  return buffer;
}

AnsiString TapiErrorString(LONG lCode) {
  char szText[4096] = {};
  return TapiErrorText(lCode, szText);
}

AnsiString TkwTAPI::GetTapiError(LONG &code) {
  return TapiErrorString(code);
}

// Written to the debug log, where a developer tracing a device list looks for it.
void TkwTAPI::TapiCheck(int code) {
  if (code >= 0) return;
  const DWORD dwIndex = static_cast<DWORD>(code) - kErrorBit;
  const bool bNamed = dwIndex > 0 && dwIndex < kLineErrorNameCount && !IsUnusedLineError(dwIndex);
  const AnsiString asText = bNamed ? "TAPI Line: " + AnsiString(LineErrorName(dwIndex))
                                   : "Unknown Error - " + IntToStr(code);
  LogDebug("In [TkwTAPI::TapiCheck] " + asText);
}

void TkwTAPI::ReportOpenFailure(int iSection, bool bSuppressErrors) {
  AnsiString asLogLine;
  AnsiString asEventText;
  AnsiString asBoxText;
  try {
    throw;
  } catch (EAbort &e) {
    asLogLine = "ERROR in [TkwTAPI::OpenDevice] msg: " + e.Message;
    asEventText = e.Message;
  } catch (Exception &e) {
    asLogLine = "ERROR in [TkwTAPI::OpenDevice] msg: " + e.Message;
    asEventText = e.Message;
    asBoxText = "Internal Error in [TkwTAPI::OpenDevice] msg: " + e.Message;
  } catch (...) {
    asLogLine = "UNKNOWN ERROR in [TkwTAPI::OpenDevice]";
    asEventText = "UNKNOWN ERROR";
    asBoxText = "UNKNOWN Internal Error in [TkwTAPI::OpenDevice]";
  }
  LogDebug(asLogLine);
  OpenDeviceID = 0xFFFFFFFF;
  if (bSuppressErrors) return;
  if (OnTapiError) {
    OnTapiError(asEventText, iSection, 1);
  } else if (!asBoxText.IsEmpty()) {
    MessageBoxA(0, asBoxText.c_str(), "ERROR", MB_OK);
  }
}
