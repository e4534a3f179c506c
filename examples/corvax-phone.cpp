// corvax-phone: a host of the TkwTAPI component on the simulated exchange. It lists the line
// devices with what they can do, lets the user choose one in the device dialog and reports
// on the choice.
#include <iostream>

#include <vcl.h>

#include "component/Kwtapi.h"
#include "examples/DeviceReport.h"
#include "platform/vcl/Application.h"
#include "simulator/Exchange.h"

namespace {

// Three lines whose providers report their names in different ways.
void SetUpExchange(sim::Exchange &exchange) {
  exchange.Reset(3);
  exchange.Line(0)
      .Name("Voice Modem")
      .MediaModes(LINEMEDIAMODE_UNKNOWN | LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM)
      .Address("5551000");
  // This provider does not count a terminating NUL in the name's size.
  exchange.Line(1)
      .NameWithoutNul("Data/Fax/Voice Modem")
      .MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE |
                  LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX)
      .Address("5551001")
      .DevCapsExtraBytes(1024);
  // This one reports its strings in Unicode, which the component does not read.
  exchange.Line(2)
      .Name("ISDN Line")
      .StringFormat(STRINGFORMAT_UNICODE)
      .MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DIGITALDATA)
      .BearerModes(LINEBEARERMODE_VOICE | LINEBEARERMODE_SPEECH | LINEBEARERMODE_DATA)
      .AddressModes(LINEADDRESSMODE_ADDRESSID | LINEADDRESSMODE_DIALABLEADDR)
      .Address("5552000");
}

void ReportDevice(TkwTAPI &tapi, DWORD dwDeviceID, const AnsiString &asName) {
  std::cout << "  device " << dwDeviceID << ": " << asName << "\n";
  const LINEDEVCAPS *pDevCaps = tapi.GetDeviceCapabilities(dwDeviceID, false);
  if (pDevCaps == nullptr) {
    std::cout << "    capabilities unavailable (not reported in ASCII)\n";
    return;
  }
  const LINEADDRESSCAPS *pAddressCaps = tapi.GetAddressCapabilities(dwDeviceID, false);
  std::cout << DescribeDevice(*pDevCaps, pAddressCaps)
            << "    automated voice: " << (tapi.CheckAllowedAutomatedVoice() ? "yes" : "no")
            << "\n";
}

void ListDevices(TkwTAPI &tapi, DWORD dwCount) {
  TStringList names;
  tapi.FillTAPILine(&names, static_cast<int>(dwCount));
  std::cout << "Line devices on the simulated exchange: " << names.Count() << "\n";
  for (int i = 0; i < names.Count(); ++i) ReportDevice(tapi, static_cast<DWORD>(i), names[i]);
}

// The device dialog; without a terminal to ask on, it is cancelled.
void ChooseDevice(TkwTAPI &tapi) {
  DWORD dwDeviceID = 0;
  LINEDEVCAPS *pChosen = tapi.GetDeviceCapabilities(dwDeviceID, true);
  if (pChosen == nullptr) {
    std::cout << "\nNo device chosen.\n";
    return;
  }
  std::cout << "\nChosen:\n";
  ReportDevice(tapi, dwDeviceID, tapi.GetLineName(pChosen));
}

}  // namespace

int main() {
  Application->Initialize();
  sim::Exchange &exchange = sim::TheExchange();
  SetUpExchange(exchange);
  try {
    TkwTAPI tapi(nullptr);
    ListDevices(tapi, exchange.LineCount());
    ChooseDevice(tapi);
  } catch (Exception &e) {
    std::cerr << "corvax-phone: " << e.Message << "\n";
    return 1;
  }
  return 0;
}
