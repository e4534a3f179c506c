// One configured line on the stack's thread: its SIP user agent listening on the line's
// address, its registration when it has a registrar, and its one call at a time (a second
// INVITE while a call is up is answered 486 Busy Here).
#pragma once

#include "providers/sip/Re.h"
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "providers/sip/AudioRoutes.h"
#include "providers/sip/SipCall.h"
#include "providers/sip/SipConfig.h"
#include "providers/sip/SipLog.h"

namespace sim {
class Exchange;
}

namespace sipnet {

// Why a line cannot serve, and the TAPI error that tells it.
class LineError : public std::runtime_error {
 public:
  LineError(LONG code, const std::string &reason) : std::runtime_error(reason), code_(code) {}
  LONG Code() const { return code_; }

 private:
  LONG code_;
};

// What every line shares: the exchange it plays the far end of, the log, where its sound goes,
// and a way to run work on the stack's thread after the current event.
struct LineServices {
  sim::Exchange &exchange;
  Log &log;
  AudioRoutes &routes;
  std::function<void(std::function<void()>)> later;
};

enum class Registration { None, Pending, Registered, Failed };

class SipLine {
 public:
  // Listens on the line's address; LineError when it cannot.
  SipLine(const LineConfig &config, DWORD deviceId, LineServices services);
  ~SipLine();
  SipLine(const SipLine &) = delete;
  SipLine &operator=(const SipLine &) = delete;

  Registration RegistrationState() const { return registration_; }

  // What the applications did, as the exchange reports it.
  void Answer(sim::CallId id);
  void Place(sim::CallId id, const std::string &target);
  void Beep(sim::CallId id, uint32_t milliseconds, double askedAt);
  void End(sim::CallId id);

  // For the line's call.
  const LineConfig &Config() const { return config_; }
  DWORD DeviceId() const { return deviceId_; }
  const struct sa &Local() const { return local_; }
  struct sipsess_sock *Sessions() const {
    return sessions_;
  }
  sim::Exchange &Exchange() const { return services_.exchange; }
  AudioRoutes &Routes() const { return services_.routes; }
  void Say(const std::string &text) const;
  // Lets go of the call once the current event is over.
  void Forget(sim::CallId id);
  static int OnAuth(char **user, char **password, const char *realm, void *arg);

 private:
  static void OnInvite(const struct sip_msg *invite, void *arg);
  static void OnRegistered(int error, const struct sip_msg *message, void *arg);
  void Register();
  bool Has(sim::CallId id) const { return call_ != nullptr && call_->Id() == id; }

  const LineConfig config_;
  const DWORD deviceId_;
  LineServices services_;
  struct sa local_;
  struct dnsc *resolver_ = nullptr;
  struct sip *stack_ = nullptr;
  struct sipsess_sock *sessions_ = nullptr;
  struct sipreg *registrar_ = nullptr;
  std::atomic<Registration> registration_{Registration::None};
  std::unique_ptr<SipCall> call_;
};

}  // namespace sipnet
