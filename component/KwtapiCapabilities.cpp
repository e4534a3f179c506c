// Device and address capability reports and the list of line device names.
#include <algorithm>
#include <cstring>

#include "component/Kwtapi.h"
#include "component/LineErrorNames.h"
#include "component/TapiRecord.h"
#include "component/TemporaryLineApp.h"

namespace {

constexpr DWORD kDevCapsStartSize = 780;
constexpr DWORD kAddressCapsStartSize = 4324;
constexpr DWORD kDeviceListCapsSize = 1292;
constexpr DWORD kNoDevice = 0xFFFFFFFF;

AnsiString NegotiationFailureText(LONG lDeviceID, const AnsiString &asPrompt,
                                  const TTemporaryLineApp &app, LONG lResult) {
  return "Error: lineNegotiateAPIVersion failed for device#: " + IntToStr(lDeviceID) + asPrompt +
         " TapiDeviceCount: " + IntToStr(static_cast<int>(app.dwDeviceCount)) +
         " TAPI Version detected: " + app.asVersion + " msg: " + TapiErrorString(lResult);
}

// Reads a record the way TAPI asks for it: a first guess at the size, then once more with the
// size TAPI says it needs.
template <class Record, class Read>
TTapiRecordPtr<Record> ReadGrowingRecord(DWORD dwStartSize, Read read, LONG &lResult) {
  TTapiRecordPtr<Record> record = NewTapiRecord<Record>(dwStartSize);
  lResult = read(record.get());
  if (record->dwNeededSize > record->dwTotalSize) {
    GrowTapiRecord(record, record->dwNeededSize);
    lResult = read(record.get());
  }
  return record;
}

// The bytes of the record that TAPI filled; a name must lie within them.
DWORD FilledSize(const LINEDEVCAPS &caps) {
  if (caps.dwUsedSize != 0) return std::min(caps.dwUsedSize, caps.dwTotalSize);
  return caps.dwTotalSize;
}

// Opens the report's TAPI instance, settles the device (asking the user when told to) and
// negotiates for it. False when the user cancelled and that ends the report.
bool ChooseReportDevice(TkwTAPI &component, TTemporaryLineApp &app, DWORD &dwDeviceID,
                        bool bPromptForDevice, bool bCancelEndsReport) {
  app.Initialize();
  if (bPromptForDevice && app.dwDeviceCount > 1) {
    const int iChosen = component.GetTAPIDevice(app.dwDeviceCount);
    if (iChosen >= 0) {
      dwDeviceID = static_cast<DWORD>(iChosen);
    } else if (bCancelEndsReport) {
      return false;
    }
  } else if (bPromptForDevice) {
    dwDeviceID = 0;
  }
  const LONG lAskedID = static_cast<LONG>(dwDeviceID);
  const LONG lResult = app.NegotiateAPIVersion(dwDeviceID);
  if (lResult < 0) {
    dwDeviceID = kNoDevice;
    throw EAbort(NegotiationFailureText(lAskedID, bPromptForDevice ? " Prompt: 1" : " Prompt: 0",
                                        app, lResult));
  }
  return true;
}

// Both reports hand every failure to their caller under the device report's name.
[[noreturn]] void RaiseReportFailure(DWORD &dwDeviceID) {
  dwDeviceID = kNoDevice;
  try {
    throw;
  } catch (Exception &e) {
    throw Exception("Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: " + e.Message);
  } catch (...) {
    throw Exception("UNKNOWN Internal Error in [TkwTAPI::GetDeviceCapabilities]");
  }
}

}  // namespace

LINEDEVCAPS *TkwTAPI::Get_The_LineDevCaps(DWORD &hLineApp, DWORD &dwAPIVersion, int &dwDeviceID) {
  try {
    LONG lResult = 0;
    TTapiRecordPtr<LINEDEVCAPS> caps = ReadGrowingRecord<LINEDEVCAPS>(
        kDevCapsStartSize,
        [&](LINEDEVCAPS *pCaps) {
          return lineGetDevCapsA(hLineApp, dwDeviceID, dwAPIVersion, 0, pCaps);
        },
        lResult);
    if (lResult != 0 || caps->dwStringFormat != STRINGFORMAT_ASCII) return nullptr;
    return caps.release();
  } catch (Exception &e) {
    throw Exception("Internal Error in [TkwTAPI::Get_The_LineDevCaps] msg: " + e.Message);
  }
}

LINEADDRESSCAPS *TkwTAPI::Get_The_LineAddressCaps(DWORD &hLineApp, DWORD &dwAPIVersion,
                                                  int &dwDeviceID) {
  try {
    LONG lResult = 0;
    TTapiRecordPtr<LINEADDRESSCAPS> caps = ReadGrowingRecord<LINEADDRESSCAPS>(
        kAddressCapsStartSize,
        [&](LINEADDRESSCAPS *pCaps) {
          return lineGetAddressCapsA(hLineApp, dwDeviceID, 0, dwAPIVersion, 0, pCaps);
        },
        lResult);
    if (lResult != 0) return nullptr;
    return caps.release();
  } catch (Exception &e) {
    throw Exception("Internal Error in [TkwTAPI::Get_The_LineAddressCaps] msg: " + e.Message);
  }
}

LINEDEVCAPS *TkwTAPI::GetDeviceCapabilities(DWORD &dwDeviceID, bool bPromptForDevice) {
  try {
    TTemporaryLineApp app;
    if (!ChooseReportDevice(*this, app, dwDeviceID, bPromptForDevice, true)) return nullptr;
    int iDeviceID = static_cast<int>(dwDeviceID);
    LINEDEVCAPS *pCaps = Get_The_LineDevCaps(app.hLineApp, app.dwAPIVersion, iDeviceID);
    FreeTapiRecord(pLineDevCaps);
    pLineDevCaps = pCaps;
    return pLineDevCaps;
  } catch (...) {
    RaiseReportFailure(dwDeviceID);
  }
}

LINEADDRESSCAPS *TkwTAPI::GetAddressCapabilities(DWORD &dwDeviceID, bool bPromptForDevice) {
  try {
    TTemporaryLineApp app;
    ChooseReportDevice(*this, app, dwDeviceID, bPromptForDevice, false);
    int iDeviceID = static_cast<int>(dwDeviceID);
    LINEADDRESSCAPS *pCaps = Get_The_LineAddressCaps(app.hLineApp, app.dwAPIVersion, iDeviceID);
    FreeTapiRecord(pLineAddressCaps);
    pLineAddressCaps = pCaps;
    return pLineAddressCaps;
  } catch (...) {
    RaiseReportFailure(dwDeviceID);
  }
}

AnsiString TkwTAPI::GetLineName(LINEDEVCAPS *caps) {
  if (caps == nullptr) return "Line Unavailable";
  if (caps->dwLineNameSize == 0 || caps->dwLineNameOffset == 0 ||
      caps->dwStringFormat != STRINGFORMAT_ASCII) {
    return "Line Unnamed";
  }
  const DWORD dwFilled = FilledSize(*caps);
  const DWORD dwPresent = caps->dwLineNameOffset < dwFilled ? dwFilled - caps->dwLineNameOffset : 0;
  const DWORD dwReadable = std::min(caps->dwLineNameSize, dwPresent);
  const char *pszName = reinterpret_cast<const char *>(caps) + caps->dwLineNameOffset;
  const DWORD dwLength = static_cast<DWORD>(strnlen(pszName, dwReadable));
  if (dwLength == 0) return "Line Name is Empty";
  // A size that does not count a terminating NUL costs the name its last character.
  const DWORD dwKept = dwLength == caps->dwLineNameSize ? dwLength - 1 : dwLength;
  return AnsiString(pszName, static_cast<int>(dwKept));
}

int TkwTAPI::FillTAPILine(TStrings *list, int count) {
  list->Clear();
  TTemporaryLineApp app;
  app.Initialize();
  TTapiRecordPtr<LINEDEVCAPS> caps = NewTapiRecord<LINEDEVCAPS>(kDeviceListCapsSize);
  for (DWORD i = 0; i < static_cast<DWORD>(count); ++i) {
    const LONG lResult = app.NegotiateAPIVersion(i);
    if (lResult < 0) {
      throw EAbort(NegotiationFailureText(static_cast<LONG>(i), "", app, lResult));
    }
    std::memset(caps.get(), 0, kDeviceListCapsSize);
    caps->dwTotalSize = kDeviceListCapsSize;
    const LONG lCapsResult = lineGetDevCapsA(app.hLineApp, i, app.dwAPIVersion, 0, caps.get());
    TapiCheck(lCapsResult);
    list->Add(GetLineName(lCapsResult == 0 ? caps.get() : nullptr));
  }
  return -1;
}
