// The line-application and line operations of the exchange: instances, versions, capabilities,
// opening and closing, status messages, the message queue and device identifiers.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/winmm/HandleNumber.h"
#include "simulator/CommPort.h"
#include "simulator/DeviceRecords.h"
#include "simulator/Exchange.h"
#include "simulator/Operation.h"
#include "simulator/ProgramName.h"
#include "simulator/RecordFiller.h"

namespace sim {

namespace {

constexpr DWORD kValidMediaModes = 0x00007FFE;  // LINEMEDIAMODE_UNKNOWN .. VOICEVIEW

std::string Text(LPCSTR text) {
  return text ? text : "(null)";
}

bool ValidPrivileges(DWORD privileges) {
  return privileges == LINECALLPRIVILEGE_NONE || privileges == LINECALLPRIVILEGE_MONITOR ||
         privileges == LINECALLPRIVILEGE_OWNER ||
         privileges == (LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR);
}

LONG DefaultOpenAnswer(const LineDevice &device, DWORD privileges, DWORD mediaModes) {
  const bool owner = (privileges & LINECALLPRIVILEGE_OWNER) != 0;
  return owner && (mediaModes & ~device.mediaModes) != 0 ? LINEERR_INVALMEDIAMODE : 0;
}

std::string Lowercase(std::string text) {
  for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

template <class Value>
std::string BytesOf(Value value) {
  return std::string(reinterpret_cast<const char *>(&value), sizeof value);
}

}  // namespace

LONG Exchange::LineInitializeEx(LPHLINEAPP lphLineApp, HINSTANCE hInstance,
                                LINECALLBACK /*lpfnCallback*/, LPCSTR lpszFriendlyAppName,
                                LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                                LPLINEINITIALIZEEXPARAMS lpParams) {
  Invocation call{"lineInitializeExA", {}};
  call.With("hInstance", winmm::HandleNumber(hInstance))
      .With("lpszFriendlyAppName", Text(lpszFriendlyAppName));
  if (lpdwAPIVersion) call.With("dwAPIVersion", *lpdwAPIVersion);
  if (lpParams) call.With("dwOptions", lpParams->dwOptions);
  return Perform(call, [&]() -> int64_t {
    if (!lphLineApp || !lpdwNumDevs || !lpdwAPIVersion || !lpParams) return LINEERR_INVALPOINTER;
    if (lpParams->dwTotalSize < sizeof(LINEINITIALIZEEXPARAMS)) return LINEERR_STRUCTURETOOSMALL;
    if (lpParams->dwOptions != LINEINITIALIZEEXOPTION_USEEVENT) {
      // Hidden-window and completion-port notification are not offered.
      const bool known = lpParams->dwOptions == LINEINITIALIZEEXOPTION_USEHIDDENWINDOW ||
                         lpParams->dwOptions == LINEINITIALIZEEXOPTION_USECOMPLETIONPORT;
      return known ? LINEERR_OPERATIONUNAVAIL : LINEERR_INVALPARAM;
    }
    Lock lock(mutex_);
    // Manual reset: signalled while messages wait.
    const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (event == 0) return LINEERR_NOMEM;
    const HLINEAPP app = NewHandle();
    // Without a friendly name TAPI names the application after its module.
    apps_[app] = {event, {}, lpszFriendlyAppName ? lpszFriendlyAppName : ProgramName()};
    *lphLineApp = app;
    *lpdwNumDevs = static_cast<DWORD>(devices_.size());
    *lpdwAPIVersion = tapiVersion_;
    lpParams->dwNeededSize = lpParams->dwUsedSize = sizeof(LINEINITIALIZEEXPARAMS);
    lpParams->Handles.hEvent = event;
    return 0;
  });
}

LONG Exchange::LineShutdown(HLINEAPP hLineApp) {
  return Perform(Invocation{"lineShutdown", {}}.With("hLineApp", hLineApp), [&]() -> int64_t {
    Lock lock(mutex_);
    Application *app = FindApp(hLineApp);
    if (app == nullptr) return LINEERR_INVALAPPHANDLE;
    std::vector<HLINE> owned;
    for (const auto &[handle, line] : lines_) {
      if (line.app == hLineApp) owned.push_back(handle);
    }
    for (HLINE line : owned) CloseLine(line);
    // A reader blocked in lineGetMessage wakes and finds the instance gone: closing the
    // handle alone wakes nobody on Windows.
    SetEvent(app->event);
    CloseHandle(app->event);
    apps_.erase(hLineApp);
    return 0;
  });
}

DWORD Exchange::NegotiableHigh(const LineDevice &device, DWORD high) const {
  return std::min({high, device.apiHighVersion, tapiVersion_});
}

bool Exchange::Supports(const LineDevice &device, DWORD version) const {
  return version >= device.apiLowVersion && version == NegotiableHigh(device, version);
}

LONG Exchange::LineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                       DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                                       LPLINEEXTENSIONID lpExtensionID) {
  Invocation call{"lineNegotiateAPIVersion", {}};
  call.With("hLineApp", hLineApp).With("dwDeviceID", dwDeviceID);
  call.With("dwAPILowVersion", dwAPILowVersion).With("dwAPIHighVersion", dwAPIHighVersion);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    if (FindApp(hLineApp) == nullptr) return LINEERR_INVALAPPHANDLE;
    if (!DeviceExists(dwDeviceID)) return LINEERR_BADDEVICEID;
    if (!lpdwAPIVersion || !lpExtensionID) return LINEERR_INVALPOINTER;
    const LineDevice &device = devices_[dwDeviceID];
    const DWORD version = NegotiableHigh(device, dwAPIHighVersion);
    if (version < std::max(dwAPILowVersion, device.apiLowVersion)) {
      return LINEERR_INCOMPATIBLEAPIVERSION;
    }
    *lpdwAPIVersion = version;
    *lpExtensionID = {};
    return 0;
  });
}

LONG Exchange::LineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                              DWORD dwExtVersion, LPLINEDEVCAPS lpLineDevCaps) {
  Invocation call{"lineGetDevCapsA", {}};
  call.With("hLineApp", hLineApp).With("dwDeviceID", dwDeviceID);
  call.With("dwAPIVersion", dwAPIVersion).With("dwExtVersion", dwExtVersion);
  if (lpLineDevCaps) call.With("dwTotalSize", lpLineDevCaps->dwTotalSize);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    if (FindApp(hLineApp) == nullptr) return LINEERR_INVALAPPHANDLE;
    if (!DeviceExists(dwDeviceID)) return LINEERR_BADDEVICEID;
    const LineDevice &device = devices_[dwDeviceID];
    if (!Supports(device, dwAPIVersion)) return LINEERR_INCOMPATIBLEAPIVERSION;
    if (dwExtVersion != 0) return LINEERR_INCOMPATIBLEEXTVERSION;
    if (!lpLineDevCaps) return LINEERR_INVALPOINTER;
    return FillDevCaps(device, DigitModesOf(device), lpLineDevCaps);
  });
}

LONG Exchange::LineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                                  DWORD dwAPIVersion, DWORD dwExtVersion,
                                  LPLINEADDRESSCAPS lpAddressCaps) {
  Invocation call{"lineGetAddressCapsA", {}};
  call.With("hLineApp", hLineApp).With("dwDeviceID", dwDeviceID);
  call.With("dwAddressID", dwAddressID).With("dwAPIVersion", dwAPIVersion);
  call.With("dwExtVersion", dwExtVersion);
  if (lpAddressCaps) call.With("dwTotalSize", lpAddressCaps->dwTotalSize);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    if (FindApp(hLineApp) == nullptr) return LINEERR_INVALAPPHANDLE;
    if (!DeviceExists(dwDeviceID)) return LINEERR_BADDEVICEID;
    if (dwAddressID != 0) return LINEERR_INVALADDRESSID;
    const LineDevice &device = devices_[dwDeviceID];
    if (!Supports(device, dwAPIVersion)) return LINEERR_INCOMPATIBLEAPIVERSION;
    if (dwExtVersion != 0) return LINEERR_INCOMPATIBLEEXTVERSION;
    if (!lpAddressCaps) return LINEERR_INVALPOINTER;
    return FillAddressCaps(device, dwDeviceID, DigitModesOf(device), lpAddressCaps);
  });
}

LONG Exchange::LineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion,
                        DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                        DWORD dwMediaModes, const LINECALLPARAMS * /*lpCallParams*/) {
  Invocation call{"lineOpenA", {}};
  call.With("hLineApp", hLineApp).With("dwDeviceID", dwDeviceID);
  call.With("dwAPIVersion", dwAPIVersion).With("dwExtVersion", dwExtVersion);
  call.With("dwPrivileges", dwPrivileges).With("dwMediaModes", dwMediaModes);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    return OpenChecked(hLineApp, dwDeviceID, lphLine, dwAPIVersion, dwExtVersion,
                       dwCallbackInstance, dwPrivileges, dwMediaModes);
  });
}

LONG Exchange::OpenChecked(HLINEAPP app, DWORD deviceId, LPHLINE lphLine, DWORD apiVersion,
                           DWORD extVersion, DWORD_PTR callbackInstance, DWORD privileges,
                           DWORD mediaModes) {
  if (FindApp(app) == nullptr) return LINEERR_INVALAPPHANDLE;
  if (!DeviceExists(deviceId)) return LINEERR_BADDEVICEID;
  if (!lphLine) return LINEERR_INVALPOINTER;
  const LineDevice &device = devices_[deviceId];
  if (!Supports(device, apiVersion)) return LINEERR_INCOMPATIBLEAPIVERSION;
  if (extVersion != 0) return LINEERR_INCOMPATIBLEEXTVERSION;
  if (!ValidPrivileges(privileges)) return LINEERR_INVALPRIVSELECT;
  const bool owner = (privileges & LINECALLPRIVILEGE_OWNER) != 0;
  if (owner && (mediaModes == 0 || (mediaModes & ~kValidMediaModes) != 0)) {
    return LINEERR_INVALMEDIAMODE;
  }
  const LONG answer = device.openAnswer ? device.openAnswer(privileges, mediaModes)
                                        : DefaultOpenAnswer(device, privileges, mediaModes);
  if (answer != 0) return answer;
  const HLINE line = NewHandle();
  lines_[line] = {app, deviceId, apiVersion, callbackInstance, privileges, owner ? mediaModes : 0,
                  0,   0};
  *lphLine = line;
  return 0;
}

LONG Exchange::LineClose(HLINE hLine) {
  return Perform(Invocation{"lineClose", {}}.With("hLine", hLine), [&]() -> int64_t {
    Lock lock(mutex_);
    if (FindLine(hLine) == nullptr) return LINEERR_INVALLINEHANDLE;
    CloseLine(hLine);
    return 0;
  });
}

void Exchange::CloseLine(HLINE line) {
  // Requests of the line complete no more: the application that would read their reply has
  // given the line up.
  std::erase_if(pending_, [&](const Request &request) { return request.line == line; });
  ReleaseHandlesOf(line);
  lines_.erase(line);
}

LONG Exchange::LineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
  Invocation call{"lineSetStatusMessages", {}};
  call.With("hLine", hLine).With("dwLineStates", dwLineStates);
  call.With("dwAddressStates", dwAddressStates);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    OpenLine *line = FindLine(hLine);
    if (line == nullptr) return LINEERR_INVALLINEHANDLE;
    const LineDevice &device = devices_[line->deviceId];
    if ((dwLineStates & ~device.lineStates) != 0) return LINEERR_INVALLINESTATE;
    if ((dwAddressStates & ~device.addressStates) != 0) return LINEERR_INVALADDRESSSTATE;
    line->lineStates = dwLineStates;
    line->addressStates = dwAddressStates;
    return 0;
  });
}

LONG Exchange::LineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout) {
  Invocation call{"lineGetMessage", {}};
  call.With("hLineApp", hLineApp).With("dwTimeout", dwTimeout);
  return Perform(call, [&]() -> int64_t {
    for (DWORD timeout = dwTimeout;;) {
      HANDLE event = 0;
      {
        Lock lock(mutex_);
        Application *app = FindApp(hLineApp);
        if (app == nullptr) return LINEERR_INVALAPPHANDLE;
        if (!lpMessage) return LINEERR_INVALPOINTER;
        if (!app->queue.empty()) {
          *lpMessage = app->queue.front();
          app->queue.pop_front();
          if (app->queue.empty()) ResetEvent(app->event);
          return 0;
        }
        // TAPI's answer when the time-out passes with nothing queued.
        if (timeout == 0) return LINEERR_OPERATIONFAILED;
        event = app->event;
      }
      const DWORD waited = WaitForSingleObject(event, timeout);
      if (waited == WAIT_FAILED) return LINEERR_INVALAPPHANDLE;
      if (waited == WAIT_TIMEOUT) return LINEERR_OPERATIONFAILED;
      // Another reader may take the message first; a finite wait then looks only once more.
      if (timeout != INFINITE) timeout = 0;
    }
  });
}

LONG Exchange::LineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                         LPVARSTRING lpDeviceID, LPCSTR lpszDeviceClass) {
  Invocation call{"lineGetIDA", {}};
  call.With("hLine", hLine).With("dwAddressID", dwAddressID).With("hCall", hCall);
  call.With("dwSelect", dwSelect).With("lpszDeviceClass", Text(lpszDeviceClass));
  if (lpDeviceID) call.With("dwTotalSize", lpDeviceID->dwTotalSize);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    const Call *target = nullptr;
    HLINE line = hLine;
    switch (dwSelect) {
      case LINECALLSELECT_LINE:
        break;
      case LINECALLSELECT_ADDRESS:
        if (FindLine(hLine) != nullptr && dwAddressID != 0) return LINEERR_INVALADDRESSID;
        break;
      case LINECALLSELECT_CALL: {
        const CallHandle *handle = FindHandle(hCall);
        if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
        line = handle->line;
        target = FindCall(handle->call);
        break;
      }
      default:
        return LINEERR_INVALCALLSELECT;
    }
    const OpenLine *open = FindLine(line);
    if (open == nullptr) return LINEERR_INVALLINEHANDLE;
    if (!lpDeviceID || !lpszDeviceClass) return LINEERR_INVALPOINTER;
    return DeviceIdOf(*open, target, Lowercase(lpszDeviceClass), lpDeviceID);
  });
}

LONG Exchange::DeviceIdOf(const OpenLine &line, const Call * /*call*/,
                          const std::string &deviceClass, LPVARSTRING deviceId) {
  const LineDevice &device = devices_[line.deviceId];
  if (deviceClass == "tapi/line") {
    return FillDeviceId(BytesOf(line.deviceId), deviceId);
  }
  if (deviceClass == "wave/out" || deviceClass == "wave/in") {
    const auto &wave = deviceClass == "wave/out" ? device.waveOutId : device.waveInId;
    if (!wave) return LINEERR_NODEVICE;
    return FillDeviceId(BytesOf(*wave), deviceId);
  }
  if (deviceClass == "comm/datamodem") {
    // The handle, then the port's name. A record too small for both gets no handle, so that
    // none is left open that the caller never learns of.
    const std::string name = Sz(device.commPortName);
    const bool fits = deviceId->dwTotalSize >= sizeof(VARSTRING) + sizeof(HANDLE) + name.size();
    const HANDLE port = fits ? OpenCommPort() : 0;
    if (fits && port == 0) return LINEERR_OPERATIONUNAVAIL;
    return FillDeviceId(BytesOf(port) + name, deviceId);
  }
  return LINEERR_NODEVICE;
}

}  // namespace sim
