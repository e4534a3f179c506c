#include "examples/DeviceReport.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

struct TFlagName {
  DWORD flag;
  const char *name;
};

const std::vector<TFlagName> kMediaModes = {
    {LINEMEDIAMODE_UNKNOWN, "unknown"},
    {LINEMEDIAMODE_INTERACTIVEVOICE, "interactive voice"},
    {LINEMEDIAMODE_AUTOMATEDVOICE, "automated voice"},
    {LINEMEDIAMODE_DATAMODEM, "data modem"},
    {LINEMEDIAMODE_G3FAX, "G3 fax"},
    {LINEMEDIAMODE_TDD, "TDD"},
    {LINEMEDIAMODE_G4FAX, "G4 fax"},
    {LINEMEDIAMODE_DIGITALDATA, "digital data"},
    {LINEMEDIAMODE_TELETEX, "teletex"},
    {LINEMEDIAMODE_VIDEOTEX, "videotex"},
    {LINEMEDIAMODE_TELEX, "telex"},
    {LINEMEDIAMODE_MIXED, "mixed"},
    {LINEMEDIAMODE_ADSI, "ADSI"},
    {LINEMEDIAMODE_VOICEVIEW, "VoiceView"},
};

const std::vector<TFlagName> kBearerModes = {
    {LINEBEARERMODE_VOICE, "voice"},
    {LINEBEARERMODE_SPEECH, "speech"},
    {LINEBEARERMODE_MULTIUSE, "multi-use"},
    {LINEBEARERMODE_DATA, "data"},
    {LINEBEARERMODE_ALTSPEECHDATA, "alternate speech/data"},
    {LINEBEARERMODE_NONCALLSIGNALING, "non-call signalling"},
    {LINEBEARERMODE_PASSTHROUGH, "pass-through"},
    {LINEBEARERMODE_RESTRICTEDDATA, "restricted data"},
};

const std::vector<TFlagName> kAddressModes = {
    {LINEADDRESSMODE_ADDRESSID, "by address id"},
    {LINEADDRESSMODE_DIALABLEADDR, "by dialable address"},
};

const std::vector<TFlagName> kCallFeatures = {
    {LINECALLFEATURE_ACCEPT, "accept"},
    {LINECALLFEATURE_ADDTOCONF, "add to conference"},
    {LINECALLFEATURE_ANSWER, "answer"},
    {LINECALLFEATURE_BLINDTRANSFER, "blind transfer"},
    {LINECALLFEATURE_COMPLETECALL, "complete call"},
    {LINECALLFEATURE_COMPLETETRANSF, "complete transfer"},
    {LINECALLFEATURE_DIAL, "dial"},
    {LINECALLFEATURE_DROP, "drop"},
    {LINECALLFEATURE_GATHERDIGITS, "gather digits"},
    {LINECALLFEATURE_GENERATEDIGITS, "generate digits"},
    {LINECALLFEATURE_GENERATETONE, "generate tone"},
    {LINECALLFEATURE_HOLD, "hold"},
    {LINECALLFEATURE_MONITORDIGITS, "monitor digits"},
    {LINECALLFEATURE_MONITORMEDIA, "monitor media"},
    {LINECALLFEATURE_MONITORTONES, "monitor tones"},
    {LINECALLFEATURE_PARK, "park"},
    {LINECALLFEATURE_PREPAREADDCONF, "prepare conference"},
    {LINECALLFEATURE_REDIRECT, "redirect"},
    {LINECALLFEATURE_REMOVEFROMCONF, "remove from conference"},
    {LINECALLFEATURE_SECURECALL, "secure call"},
    {LINECALLFEATURE_SENDUSERUSER, "send user-user info"},
    {LINECALLFEATURE_SETCALLPARAMS, "set call parameters"},
    {LINECALLFEATURE_SETMEDIACONTROL, "set media control"},
    {LINECALLFEATURE_SETTERMINAL, "set terminal"},
    {LINECALLFEATURE_SETUPCONF, "set up conference"},
    {LINECALLFEATURE_SETUPTRANSFER, "set up transfer"},
    {LINECALLFEATURE_SWAPHOLD, "swap hold"},
    {LINECALLFEATURE_UNHOLD, "unhold"},
};

std::string Decode(DWORD dwBits, const std::vector<TFlagName> &names) {
  std::string text;
  for (const TFlagName &entry : names) {
    if ((dwBits & entry.flag) == 0) continue;
    if (!text.empty()) text += ", ";
    text += entry.name;
  }
  return text.empty() ? "none" : text;
}

// A string field of a record, read only within the bytes TAPI filled.
template <class Record>
std::string StringField(const Record &record, DWORD dwSize, DWORD dwOffset) {
  if (dwSize == 0 || dwOffset == 0 || dwOffset >= record.dwUsedSize) return "";
  const DWORD dwAvailable = std::min(dwSize, record.dwUsedSize - dwOffset);
  const char *pText = reinterpret_cast<const char *>(&record) + dwOffset;
  return std::string(pText, strnlen(pText, dwAvailable));
}

}  // namespace

std::string DescribeDevice(const LINEDEVCAPS &devCaps, const LINEADDRESSCAPS *pAddressCaps) {
  std::ostringstream report;
  const std::string provider =
      StringField(devCaps, devCaps.dwProviderInfoSize, devCaps.dwProviderInfoOffset);
  if (!provider.empty()) report << "    provider: " << provider << "\n";
  report << "    media modes: " << Decode(devCaps.dwMediaModes, kMediaModes) << "\n"
         << "    bearer modes: " << Decode(devCaps.dwBearerModes, kBearerModes) << "\n"
         << "    max rate: " << devCaps.dwMaxRate << " bps\n"
         << "    addresses: " << devCaps.dwNumAddresses << ", selected "
         << Decode(devCaps.dwAddressModes, kAddressModes) << "\n";
  if (pAddressCaps == nullptr) return report.str();
  const std::string address =
      StringField(*pAddressCaps, pAddressCaps->dwAddressSize, pAddressCaps->dwAddressOffset);
  report << "    address 0: " << (address.empty() ? "(no number)" : address) << ", up to "
         << pAddressCaps->dwMaxNumActiveCalls << " active call(s)\n"
         << "    call features: " << Decode(pAddressCaps->dwCallFeatures, kCallFeatures) << "\n";
  return report.str();
}
