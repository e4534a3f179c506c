// One configured line on the stack's thread: its registration when it has a registrar, and its
// channels, the line devices of its one number, each with one call at a time. An INVITE goes to
// the first channel that an application has open and that has no call: 486 Busy Here when every
// open one has a call, 480 when none is open.
#pragma once

#include "providers/sip/Re.h"
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "providers/sip/AudioRoutes.h"
#include "providers/sip/RequestScreen.h"
#include "providers/sip/SipCall.h"
#include "providers/sip/SipConfig.h"
#include "providers/sip/SipEndpoint.h"
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

// Lost: registered once, and a renewal has failed since; libre's registration keeps trying.
enum class Registration { None, Pending, Registered, Failed, Lost };

class SipLine {
 public:
  // Takes the calls `endpoint` gives it on the devices from `firstDevice` on, one per channel.
  SipLine(const LineConfig &config, DWORD firstDevice, SipEndpoint &endpoint,
          LineServices services);
  ~SipLine();
  SipLine(const SipLine &) = delete;
  SipLine &operator=(const SipLine &) = delete;

  Registration RegistrationState() const { return registration_; }
  bool HasDevice(DWORD deviceId) const {
    return deviceId >= firstDevice_ && deviceId - firstDevice_ < channels_.size();
  }

  // Whether a request outside a call to the line's user may go on; when not, it is answered or
  // dropped.
  bool Screen(const struct sip_msg *request) { return screen_.Passes(request, endpoint_.Stack()); }
  // An INVITE to the line's user.
  void Offer(const struct sip_msg *invite);
  // What an INVITE would get instead: 200 with what the line takes, or why it would refuse.
  void AnswerOptions(const struct sip_msg *options);
  // An UPDATE to one of the line's calls; false when none has its dialog.
  bool Update(const struct sip_msg *update);
  // What the applications did, as the exchange reports it.
  void Answer(sim::CallId id);
  void Place(sim::CallId id, DWORD deviceId, const std::string &target);
  void Beep(sim::CallId id, uint32_t milliseconds, double askedAt);
  void SendDigits(sim::CallId id, const std::string &digits, uint32_t milliseconds);
  void End(sim::CallId id);

  // For the line's calls.
  const LineConfig &Config() const { return config_; }
  const struct sa &Local() const { return endpoint_.Local(); }
  // Where peers reach the line: its public address through a static NAT, else its own.
  const struct sa &Advertised() const { return advertised_; }
  // The user part of the line's Contact; a whole URI when it is behind a NAT.
  std::string ContactUser() const;
  // `uri` with the line's transport, when it is not UDP and the URI names none.
  std::string OverTransport(const std::string &uri) const;
  struct sipsess_sock *Sessions() const {
    return endpoint_.Sessions();
  }
  sim::Exchange &Exchange() const { return services_.exchange; }
  AudioRoutes &Routes() const { return services_.routes; }
  void Say(const std::string &text) const;
  // Lets go of the call once the current event is over.
  void Forget(sim::CallId id);
  static int OnAuth(char **user, char **password, const char *realm, void *arg);

 private:
  struct Channel {
    DWORD deviceId;
    std::unique_ptr<SipCall> call;
  };

  static void OnRegistered(int error, const struct sip_msg *message, void *arg);
  void Register();
  // Every channel's applications are told the line is out of service or back in it.
  void ReportService(DWORD state);
  // The first channel open to an application that has no call (or one over for the
  // applications); else the SIP status that says why there is none.
  Channel *Hunt(uint16_t &refusal);
  void Refuse(const struct sip_msg *request, uint16_t refusal, const std::string &why);
  SipCall *CallOf(sim::CallId id);

  const LineConfig config_;
  const DWORD firstDevice_;
  SipEndpoint &endpoint_;
  LineServices services_;
  struct sa advertised_;
  struct sipreg *registrar_ = nullptr;
  std::atomic<Registration> registration_{Registration::None};
  std::vector<Channel> channels_;
  RequestScreen screen_;
};

}  // namespace sipnet
