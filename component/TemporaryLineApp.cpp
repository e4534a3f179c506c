#include "component/TemporaryLineApp.h"

#include "component/LineErrorNames.h"
#include "component/TapiVersion.h"

TTemporaryLineApp::~TTemporaryLineApp() {
  lineShutdown(hLineApp);
}

void TTemporaryLineApp::Initialize() {
  LINEINITIALIZEEXPARAMS params = {};
  params.dwTotalSize = sizeof(params);
  params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  dwAPIVersion = kRequiredTapiVersion;
  const LONG lResult = lineInitializeExA(&hLineApp, HInstance, nullptr, nullptr, &dwDeviceCount,
                                         &dwAPIVersion, &params);
  asVersion = TapiVersionText(dwAPIVersion);
  if (dwAPIVersion < kRequiredTapiVersion) {
    throw EAbort(InvalidTapiVersionText(asVersion, dwAPIVersion));
  }
  if (lResult < 0) throw EAbort("Error: lineInitializeEx failed: " + TapiErrorString(lResult));
  if (dwDeviceCount == 0) throw EAbort("No TAPI devices detected");
}

LONG TTemporaryLineApp::NegotiateAPIVersion(DWORD dwDeviceID) {
  const LONG lResult =
      lineNegotiateAPIVersion(hLineApp, dwDeviceID, kLowestNegotiatedVersion,
                              kHighestNegotiatedVersion, &dwAPIVersion, &ExtensionID);
  asVersion = TapiVersionText(dwAPIVersion);
  return lResult;
}
