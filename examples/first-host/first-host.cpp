// A first host of the TkwTAPI component on the simulated exchange: a caller rings, the host
// answers, plays a WAV file into the call and hangs up. Usage: first-host GREETING.WAV
#include <vcl.h>
#include <windows.h>

#include <functional>
#include <iomanip>
#include <iostream>

#include "component/Kwtapi.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Selection.h"

// The message loop: the component's events run on this thread while it serves its messages.
void ServeUntil(const std::function<bool()> &done) {
  while (!done()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    Application->ProcessMessages();
  }
}

int main(int argc, char **argv) {
  if (argc != 2) return std::cerr << "usage: first-host GREETING.WAV\n", 2;
  Application->Initialize();  // this thread becomes the main thread: every event arrives here
  sim::UseSimulatedExchange();
  sim::Exchange &exchange = sim::TheExchange();
  exchange.Reset(1);
  exchange.Line(0).Name("Front Desk");

  TEventHandlers handlers;  // declared first: it must outlive the component
  TkwTAPI tapi(nullptr);
  HCALL hCall = 0;
  bool connected = false, ended = false;
  handlers.Set(tapi.OnTapiError, [](AnsiString asError, int, int) {
    std::cout << "open failed: " << asError << "\n";
  });
  handlers.Set(tapi.OnCallOfferingEvent, [&](HCALL hOffered, int, int) { hCall = hOffered; });
  handlers.Set(tapi.OnCallerIDEvent, [](AnsiString asName, AnsiString asNumber, int, HCALL) {
    std::cout << "2. caller ID: " << asName << ", " << asNumber << "\n";
  });
  handlers.Set(tapi.OnCallConnectedEvent, [&](AnsiString, DWORD, DWORD, DWORD, AnsiString,
                                              AnsiString, HCALL) { connected = true; });
  handlers.Set(tapi.OnCallDisconnectedEvent, [&](HCALL) { ended = true; });

  DWORD dwDevice = 0;
  if (!tapi.OpenDevice(dwDevice, false, false)) return 1;
  std::cout << "1. line " << dwDevice << " open, TAPI " << tapi.TAPIVersionString << "\n";

  const sim::CallId call = exchange.OfferCall(dwDevice);  // the far end calls...
  exchange.Ring(dwDevice, 1);
  exchange.SetCallerId(call, {"Alice", "5550142"});  // ...and its caller ID follows the ring
  ServeUntil([&] { return hCall != 0; });
  AnsiString asStatus;
  if (tapi.AnswerTheLine(hCall, &asStatus) <= 0) return std::cout << asStatus << "\n", 1;
  ServeUntil([&] { return connected; });
  std::cout << "3. answered\n";

  if (!tapi.PlayASound(argv[1], &asStatus)) return std::cout << asStatus << "\n", 1;
  const UINT waveOut = exchange.WaveOutId(dwDevice).value_or(0);
  std::cout << "4. played; the caller heard " << std::fixed << std::setprecision(1)
            << sim::Audio().Played(waveOut).size() / 8000.0 << " s\n";

  tapi.CloseCall(hCall);  // the handle stays the host's until the call is idle
  ServeUntil([&] { return ended; });
  std::cout << "5. hung up\n";
  tapi.CloseDevice();
  std::cout << "6. line closed\n";
  return 0;
}
