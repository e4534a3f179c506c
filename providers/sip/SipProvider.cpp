#include "providers/sip/SipProvider.h"

#include <chrono>
#include <thread>

#include "Clock.h"
#include "WaveDriver.h"
#include "providers/sip/EventLoop.h"
#include "providers/sip/SipEndpoint.h"
#include "providers/sip/SipLine.h"
#include "simulator/Exchange.h"

namespace sipnet {
namespace {

constexpr DWORD kMediaModes = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE;
constexpr DWORD kG711BitRate = 64000;
constexpr const char *kProviderInfo = "Corvax SIP";
// How long the start waits for each registrar's first answer.
constexpr auto kRegistrationWait = std::chrono::seconds(5);

}  // namespace

SipProvider::SipProvider(const std::string &configPath) : exchange_(sim::TheExchange()) {
  Start(ConfigPath(configPath));
}

SipProvider::~SipProvider() {
  exchange_.SetNetwork(nullptr);
  if (loop_) {
    loop_->Run<int>([this] {
      lines_.clear();
      endpoints_.clear();
      return 0;
    });
    loop_.reset();
  }
  if (installed_) {
    SetTapiProvider(nullptr);
    winmm::SetWaveDriver(nullptr);
  }
}

void SipProvider::Install() {
  SetTapiProvider(this);
  winmm::SetWaveDriver(&waves_);
  installed_ = true;
}

void SipProvider::Fail(LONG code, const std::string &reason) {
  startError_ = code;
  startReason_ = reason;
  log_->Write(reason);
}

void SipProvider::Start(const std::string &configPath) {
  exchange_.Reset(0);
  try {
    config_ = ReadConfig(configPath);
  } catch (const ConfigError &error) {
    log_ = std::make_unique<Log>("");
    Fail(LINEERR_INIFILECORRUPT, error.what());
    return;
  }
  log_ = std::make_unique<Log>(config_.log);
  try {
    loop_ = std::make_unique<EventLoop>();
  } catch (const std::runtime_error &error) {
    Fail(LINEERR_NODRIVER, error.what());
    return;
  }
  StartLines();
  if (startError_ != 0) return;
  DescribeDevices();
  exchange_.SetNetwork(this);
  AwaitRegistrations();
}

void SipProvider::StartLines() {
  const LineServices services{exchange_, *log_, routes_,
                              [this](std::function<void()> task) { Later(std::move(task)); }};
  for (size_t line = 0; line < config_.lines.size(); ++line)
    lineOfDevice_.insert(lineOfDevice_.end(), config_.lines[line].channels, line);
  loop_->Run<int>([&] {
    try {
      DWORD firstDevice = 0;
      for (const LineConfig &line : config_.lines) {
        lines_.push_back(std::make_unique<SipLine>(line, firstDevice, EndpointFor(line), services));
        firstDevice += line.channels;
      }
    } catch (const LineError &error) {
      lines_.clear();
      endpoints_.clear();
      Fail(error.Code(), error.what());
    }
    return 0;
  });
}

SipEndpoint &SipProvider::EndpointFor(const LineConfig &line) {
  for (const auto &endpoint : endpoints_)
    if (SameAddress(endpoint->Listen(), line.listen)) return *endpoint;
  return *endpoints_.emplace_back(std::make_unique<SipEndpoint>(line, *log_));
}

// Every channel is a device of its own with the line's name (numbered when there are several),
// capabilities and number, and wave devices of its own.
void SipProvider::DescribeDevices() {
  exchange_.Reset(static_cast<DWORD>(lineOfDevice_.size()));
  DWORD id = 0;
  for (const LineConfig &line : config_.lines) {
    for (unsigned channel = 1; channel <= line.channels; ++channel, ++id) {
      exchange_.Line(id)
          .Name(line.channels == 1 ? line.name
                                   : line.name + " (channel " + std::to_string(channel) + ")")
          .ProviderInfo(kProviderInfo)
          .MediaModes(kMediaModes)
          .MaxRate(kG711BitRate)
          .Address(line.user)
          .WaveOut(id)
          .WaveIn(id);
    }
  }
}

void SipProvider::AwaitRegistrations() {
  const auto pending = [this] {
    return loop_->Run<bool>([this] {
      for (const auto &line : lines_) {
        if (line->RegistrationState() == Registration::Pending) return true;
      }
      return false;
    });
  };
  const auto deadline = std::chrono::steady_clock::now() + kRegistrationWait;
  while (pending() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void SipProvider::Later(std::function<void()> task) {
  loop_->Post([this, task = std::move(task)] {
    if (!lines_.empty()) task();
  });
}

void SipProvider::OnLines(std::function<void(SipLine &)> task) {
  Later([this, task = std::move(task)] {
    for (const auto &line : lines_) task(*line);
  });
}

void SipProvider::Answering(sim::CallId call) {
  OnLines([call](SipLine &line) { line.Answer(call); });
}

void SipProvider::Placing(sim::CallId call, DWORD deviceId, const std::string &destAddress) {
  OnLines([=](SipLine &line) {
    if (line.HasDevice(deviceId)) line.Place(call, deviceId, destAddress);
  });
}

void SipProvider::Beeping(sim::CallId call, DWORD milliseconds) {
  const double askedAt = win32::VirtualNow();
  OnLines([=](SipLine &line) { line.Beep(call, milliseconds, askedAt); });
}

void SipProvider::Ended(sim::CallId call) {
  OnLines([call](SipLine &line) { line.End(call); });
}

// Both edges of the peer's digits, whether they come as events, in INFO or in the sound.
sim::DigitModes SipProvider::Digits() const {
  return {LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND, LINEDIGITMODE_DTMF};
}

void SipProvider::GeneratingDigits(sim::CallId call, const std::string &digits,
                                   DWORD milliseconds) {
  OnLines([=](SipLine &line) { line.SendDigits(call, digits, milliseconds); });
}

LONG SipProvider::LineInitializeEx(LPHLINEAPP lphLineApp, HINSTANCE hInstance,
                                   LINECALLBACK lpfnCallback, LPCSTR lpszFriendlyAppName,
                                   LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                                   LPLINEINITIALIZEEXPARAMS lpParams) {
  if (startError_ != 0) {
    log_->Write("lineInitializeExA refused: " + startReason_);
    return startError_;
  }
  return exchange_.LineInitializeEx(lphLineApp, hInstance, lpfnCallback, lpszFriendlyAppName,
                                    lpdwNumDevs, lpdwAPIVersion, lpParams);
}

LONG SipProvider::LineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion,
                           DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
                           DWORD dwMediaModes, const LINECALLPARAMS *lpCallParams) {
  const bool known = dwDeviceID < lineOfDevice_.size();
  const size_t line = known ? lineOfDevice_[dwDeviceID] : 0;
  const bool refused = loop_ && known && loop_->Run<bool>([&] {
    return line < lines_.size() && lines_[line]->RegistrationState() == Registration::Failed;
  });
  if (refused) {
    log_->Write("lineOpenA refused: line '" + config_.lines[line].name + "' is not registered");
    return LINEERR_OPERATIONFAILED;
  }
  return exchange_.LineOpen(hLineApp, dwDeviceID, lphLine, dwAPIVersion, dwExtVersion,
                            dwCallbackInstance, dwPrivileges, dwMediaModes, lpCallParams);
}

// Everything else is the exchange's, as for simulated lines.

LONG SipProvider::LineShutdown(HLINEAPP hLineApp) {
  return exchange_.LineShutdown(hLineApp);
}

LONG SipProvider::LineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID,
                                          DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                                          LPDWORD lpdwAPIVersion, LPLINEEXTENSIONID lpExtensionID) {
  return exchange_.LineNegotiateAPIVersion(hLineApp, dwDeviceID, dwAPILowVersion, dwAPIHighVersion,
                                           lpdwAPIVersion, lpExtensionID);
}

LONG SipProvider::LineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                 DWORD dwExtVersion, LPLINEDEVCAPS lpLineDevCaps) {
  return exchange_.LineGetDevCaps(hLineApp, dwDeviceID, dwAPIVersion, dwExtVersion, lpLineDevCaps);
}

LONG SipProvider::LineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                                     DWORD dwAPIVersion, DWORD dwExtVersion,
                                     LPLINEADDRESSCAPS lpAddressCaps) {
  return exchange_.LineGetAddressCaps(hLineApp, dwDeviceID, dwAddressID, dwAPIVersion, dwExtVersion,
                                      lpAddressCaps);
}

LONG SipProvider::LineClose(HLINE hLine) {
  return exchange_.LineClose(hLine);
}

LONG SipProvider::LineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates) {
  return exchange_.LineSetStatusMessages(hLine, dwLineStates, dwAddressStates);
}

LONG SipProvider::LineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout) {
  return exchange_.LineGetMessage(hLineApp, lpMessage, dwTimeout);
}

LONG SipProvider::LineMakeCall(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress,
                               DWORD dwCountryCode, const LINECALLPARAMS *lpCallParams) {
  return exchange_.LineMakeCall(hLine, lphCall, lpszDestAddress, dwCountryCode, lpCallParams);
}

LONG SipProvider::TapiRequestMakeCall(LPCSTR lpszDestAddress, LPCSTR lpszAppName,
                                      LPCSTR lpszCalledParty, LPCSTR lpszComment) {
  return exchange_.TapiRequestMakeCall(lpszDestAddress, lpszAppName, lpszCalledParty, lpszComment);
}

LONG SipProvider::LineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) {
  return exchange_.LineAnswer(hCall, lpsUserUserInfo, dwSize);
}

LONG SipProvider::LineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize) {
  return exchange_.LineDrop(hCall, lpsUserUserInfo, dwSize);
}

LONG SipProvider::LineDeallocateCall(HCALL hCall) {
  return exchange_.LineDeallocateCall(hCall);
}

LONG SipProvider::LineGetCallInfo(HCALL hCall, LPLINECALLINFO lpCallInfo) {
  return exchange_.LineGetCallInfo(hCall, lpCallInfo);
}

LONG SipProvider::LineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus) {
  return exchange_.LineGetCallStatus(hCall, lpCallStatus);
}

LONG SipProvider::LineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                            LPVARSTRING lpDeviceID, LPCSTR lpszDeviceClass) {
  return exchange_.LineGetID(hLine, dwAddressID, hCall, dwSelect, lpDeviceID, lpszDeviceClass);
}

LONG SipProvider::LineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration,
                                   DWORD dwNumTones, const LINEGENERATETONE *lpTones) {
  return exchange_.LineGenerateTone(hCall, dwToneMode, dwDuration, dwNumTones, lpTones);
}

LONG SipProvider::LineMonitorDigits(HCALL hCall, DWORD dwDigitModes) {
  return exchange_.LineMonitorDigits(hCall, dwDigitModes);
}

LONG SipProvider::LineGenerateDigits(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits,
                                     DWORD dwDuration) {
  return exchange_.LineGenerateDigits(hCall, dwDigitMode, lpszDigits, dwDuration);
}

}  // namespace sipnet
