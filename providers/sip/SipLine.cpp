#include "providers/sip/SipLine.h"

#include <cstring>
#include <system_error>

#include "simulator/Exchange.h"

namespace sipnet {
namespace {

constexpr uint32_t kRegistrationSeconds = 600;
constexpr uint32_t kMaxNameServers = 8;

// A resolver with the system's name servers, so that registrars and called parties may be
// named by host name; null where the system names none (numeric addresses still work).
struct dnsc *SystemResolver() {
  char domain[64] = "";
  struct sa servers[kMaxNameServers];
  uint32_t count = kMaxNameServers;
  struct dnsc *resolver = nullptr;
  if (dns_srv_get(domain, sizeof domain, servers, &count) != 0 || count == 0) return nullptr;
  if (dnsc_alloc(&resolver, nullptr, servers, count) != 0) return nullptr;
  return resolver;
}

std::string Uri(const struct sip_msg *message) {
  return std::string(message->from.auri.p, message->from.auri.l);
}

}  // namespace

SipLine::SipLine(const LineConfig &config, DWORD deviceId, LineServices services)
    : config_(config), deviceId_(deviceId), services_(std::move(services)) {
  sa_decode(&local_, config_.listen.c_str(), config_.listen.size());
  resolver_ = SystemResolver();
  int error = sip_alloc(&stack_, resolver_, 32, 32, 32, "Corvax", nullptr, nullptr);
  if (error == 0) error = sip_transp_add(stack_, SIP_TRANSP_UDP, &local_);
  if (error == 0) error = sipsess_listen(&sessions_, stack_, 32, OnInvite, this);
  if (error != 0) {
    mem_deref(sessions_);
    mem_deref(stack_);
    mem_deref(resolver_);
    const LONG code = error == EADDRINUSE || error == EADDRNOTAVAIL ? LINEERR_RESOURCEUNAVAIL
                                                                    : LINEERR_OPERATIONFAILED;
    throw LineError(code, "line '" + config_.name + "' cannot listen on " + config_.listen + ": " +
                              std::strerror(error));
  }
  Say("listening on " + config_.listen);
  if (!config_.registrar.empty()) Register();
}

SipLine::~SipLine() {
  call_.reset();
  mem_deref(registrar_);
  mem_deref(sessions_);
  sip_close(stack_, true);
  mem_deref(stack_);
  mem_deref(resolver_);
}

void SipLine::Say(const std::string &text) const {
  services_.log.Write("line '" + config_.name + "': " + text);
}

void SipLine::Register() {
  struct pl registrar;
  struct uri uri;
  pl_set_str(&registrar, config_.registrar.c_str());
  (void)uri_decode(&uri, &registrar);
  const std::string aor = "sip:" + config_.user + "@" + std::string(uri.host.p, uri.host.l);
  registration_ = Registration::Pending;
  const int error =
      sipreg_register(&registrar_, stack_, config_.registrar.c_str(), aor.c_str(), nullptr,
                      aor.c_str(), kRegistrationSeconds, config_.user.c_str(), nullptr, 0, 0,
                      OnAuth, this, false, OnRegistered, this, nullptr, "");
  if (error != 0) {
    registration_ = Registration::Failed;
    Say("registration with " + config_.registrar + " not sent: " + std::strerror(error));
  }
}

int SipLine::OnAuth(char **user, char **password, const char * /*realm*/, void *arg) {
  const auto *line = static_cast<SipLine *>(arg);
  int error = str_dup(user, line->config_.user.c_str());
  if (error == 0) error = str_dup(password, line->config_.password.c_str());
  return error;
}

void SipLine::OnRegistered(int error, const struct sip_msg *message, void *arg) {
  auto *line = static_cast<SipLine *>(arg);
  const bool accepted = error == 0 && message != nullptr && message->scode < 300;
  if (accepted) {
    if (line->registration_ != Registration::Registered) {
      line->Say("registered with " + line->config_.registrar);
    }
    line->registration_ = Registration::Registered;
    return;
  }
  line->registration_ = Registration::Failed;
  if (message != nullptr) {
    line->Say("registration with " + line->config_.registrar +
              " refused: " + std::to_string(message->scode) + " " +
              std::string(message->reason.p, message->reason.l));
  } else {
    line->Say("registration with " + line->config_.registrar + " failed: " + std::strerror(error));
  }
}

void SipLine::OnInvite(const struct sip_msg *invite, void *arg) {
  auto *line = static_cast<SipLine *>(arg);
  if (line->call_ != nullptr) {
    line->Say("INVITE from " + Uri(invite) + " while a call is up: 486 Busy Here");
    (void)sip_treply(nullptr, line->stack_, invite, 486, "Busy Here");
    return;
  }
  // Nobody would ever answer: say so rather than ring until the caller gives up.
  if (line->Exchange().OpenLineCount(line->deviceId_) == 0) {
    line->Say("INVITE from " + Uri(invite) + " while no application has the line open: 480");
    (void)sip_treply(nullptr, line->stack_, invite, 480, "Temporarily Unavailable");
    return;
  }
  try {
    auto call = std::make_unique<SipCall>(*line, false);
    const uint16_t refusal = call->Offer(invite);
    if (refusal != 0) {
      line->Say("INVITE from " + Uri(invite) + " refused: " + std::to_string(refusal));
      (void)sip_treply(nullptr, line->stack_, invite, refusal,
                       refusal == 488 ? "Not Acceptable Here" : "Server Internal Error");
      return;
    }
    line->call_ = std::move(call);
  } catch (const std::system_error &error) {
    line->Say("INVITE from " + Uri(invite) + ": " + error.what() + ": 503");
    (void)sip_treply(nullptr, line->stack_, invite, 503, "Service Unavailable");
  }
}

void SipLine::Answer(sim::CallId id) {
  if (Has(id)) call_->Answer();
}

void SipLine::Place(sim::CallId id, const std::string &target) {
  std::unique_ptr<SipCall> call;
  try {
    call = std::make_unique<SipCall>(*this, true);
  } catch (const std::system_error &error) {
    Say(std::string("call not placed: ") + error.what());
  }
  if (call == nullptr || !call->Place(id, target)) {
    Exchange().HangUp(id);
    return;
  }
  call_ = std::move(call);
}

void SipLine::Beep(sim::CallId id, uint32_t milliseconds, double askedAt) {
  if (Has(id)) call_->Beep(milliseconds, askedAt);
}

void SipLine::End(sim::CallId id) {
  if (Has(id)) call_.reset();
}

void SipLine::Forget(sim::CallId id) {
  services_.later([this, id] { End(id); });
}

}  // namespace sipnet
