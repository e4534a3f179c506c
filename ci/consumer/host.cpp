// A host built outside the source tree against an installed Corvax: it includes the headers
// the way a Windows host does, lists the simulated lines through the component and names a
// TAPI and a wave error.
#include <mmsystem.h>
#include <tapi.h>
#include <vcl.h>
#include <windows.h>

#include <iostream>

#include "component/Kwtapi.h"
#include "simulator/Exchange.h"
#include "simulator/Operation.h"

int main() {
  Application->Initialize();
  sim::Exchange &exchange = sim::TheExchange();
  exchange.Reset(2);
  exchange.Line(0).Name("Voice Modem");
  exchange.Line(1).Name("ISDN Line");
  TkwTAPI tapi(nullptr);
  TStringList names;
  tapi.FillTAPILine(&names, static_cast<int>(exchange.LineCount()));
  for (int i = 0; i < names.Count(); ++i) std::cout << "line " << i << ": " << names[i] << "\n";
  LONG code = LINEERR_OPERATIONFAILED;
  std::cout << "TAPI error: " << tapi.GetTapiError(code) << "\n";
  char text[MAXERRORLENGTH];
  waveOutGetErrorTextA(WAVERR_STILLPLAYING, text, sizeof text);
  std::cout << "wave error: " << text << "\n";
  std::cout << "lineShutdown calls: " << sim::OperationJournal().Count("lineShutdown") << "\n";
  return 0;
}
