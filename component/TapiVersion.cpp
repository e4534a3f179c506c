#include "component/TapiVersion.h"

AnsiString TapiVersionText(DWORD dwVersion) {
  char szVersion[255] = {};
  wsprintfA(szVersion, "%lu.%lu", static_cast<DWORD>(HIWORD(dwVersion)),
            static_cast<DWORD>(LOWORD(dwVersion)));
  return szVersion;
}

AnsiString InvalidTapiVersionText(const AnsiString &asVersionText, DWORD dwVersion) {
  return "Invalid TAPI version, your modem MUST support TAPI version 2.0 or higher to use TAPI. "
         "Your current TAPI version is: " +
         asVersionText + " (" + IntToStr(static_cast<int>(dwVersion)) + ")";
}
