// The TAPI instance a capability report or the device list opens for itself, independent of
// the component's open line, and shuts down on every way out.
#pragma once

#include <tapi.h>
#include <vcl.h>

class TTemporaryLineApp {
 public:
  TTemporaryLineApp() = default;
  TTemporaryLineApp(const TTemporaryLineApp &) = delete;
  TTemporaryLineApp &operator=(const TTemporaryLineApp &) = delete;
  ~TTemporaryLineApp();

  // Initialises TAPI and checks its version and that it has line devices; raises an abort
  // with the text of the first check that fails.
  void Initialize();
  // Negotiates the API version for one device with the full range; answers TAPI's result.
  LONG NegotiateAPIVersion(DWORD dwDeviceID);

  HLINEAPP hLineApp = 0;
  DWORD dwDeviceCount = 0;
  DWORD dwAPIVersion = 0;
  LINEEXTENSIONID ExtensionID = {};
  // The API version as text, formed after initialisation and after every negotiation.
  AnsiString asVersion;
};
