#include "examples/Devices.h"

#include "examples/DeviceReport.h"

namespace {

constexpr DWORD kNoDevice = 0xFFFFFFFF;

void ReportDevice(TkwTAPI &tapi, DWORD dwDeviceID, const AnsiString &asName, std::ostream &out) {
  out << "  device " << dwDeviceID << ": " << asName << "\n";
  const LINEDEVCAPS *pDevCaps = tapi.GetDeviceCapabilities(dwDeviceID, false);
  if (pDevCaps == nullptr) {
    out << "    capabilities unavailable (not reported in ASCII)\n";
    return;
  }
  const LINEADDRESSCAPS *pAddressCaps = tapi.GetAddressCapabilities(dwDeviceID, false);
  out << DescribeDevice(*pDevCaps, pAddressCaps)
      << "    automated voice: " << (tapi.CheckAllowedAutomatedVoice() ? "yes" : "no") << "\n";
}

// Why the line does not open as a command would open it; empty when it opens.
std::string OpenFailure(TkwTAPI &tapi, DWORD dwDeviceID) {
  TEventHandlers handlers;
  std::string why = "the open failed";
  handlers.Set(tapi.OnTapiError, [&](AnsiString asError, int, int) { why = asError.c_str(); });
  const bool bOpened = tapi.OpenDevice(dwDeviceID, false, false);
  tapi.CloseDevice();
  tapi.OnTapiError = nullptr;  // its handler ends here
  return bOpened ? "" : why;
}

// The device dialog; without a terminal to ask on, it is cancelled. The chosen line is tried
// as answer --choose would open it.
void ChooseDevice(TkwTAPI &tapi, const TStringList &names, std::ostream &out) {
  DWORD dwDeviceID = kNoDevice;  // a cancelled dialog leaves it so
  tapi.GetDeviceCapabilities(dwDeviceID, true);
  if (dwDeviceID >= static_cast<DWORD>(names.Count())) {
    out << "\nNo device chosen.\n";
    return;
  }
  out << "\nChosen:\n";
  ReportDevice(tapi, dwDeviceID, names[static_cast<int>(dwDeviceID)], out);
  const std::string why = OpenFailure(tapi, dwDeviceID);
  out << (why.empty() ? "    opens: yes\n" : "    cannot be opened: " + why + "\n");
}

}  // namespace

// TAPI tells how many line devices there are when it is initialised, which the component
// does while opening one; the open itself need not succeed.
DWORD CountDevices(TkwTAPI &tapi) {
  DWORD dwFirst = 0;
  try {
    tapi.OpenDevice(dwFirst, false, true);
  } catch (const EAbort &) {
    // TAPI has no line devices at all; the count says so.
  }
  const DWORD dwCount = tapi.TAPIDevicesDetected;
  tapi.CloseDevice();
  return dwCount;
}

void ListDevices(TkwTAPI &tapi, const std::string &where, std::ostream &out) {
  TStringList names;
  const DWORD dwCount = CountDevices(tapi);
  if (dwCount > 0) tapi.FillTAPILine(&names, static_cast<int>(dwCount));
  out << "Line devices on " << where << ": " << names.Count() << "\n";
  if (names.Count() == 0) {
    out << "No line devices: " << where
        << " reports none, so there is nothing to open or choose. Install a modem or another "
           "TAPI line device (for SIP lines, the provider's log says why it has none), or run "
           "without --system-tapi or --sip to use the simulated exchange.\n";
    return;
  }
  for (int i = 0; i < names.Count(); ++i) ReportDevice(tapi, static_cast<DWORD>(i), names[i], out);
  ChooseDevice(tapi, names, out);
}
