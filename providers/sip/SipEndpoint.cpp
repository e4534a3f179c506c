#include "providers/sip/SipEndpoint.h"

#include <cstring>

#include "platform/tapi32/tapi.h"
#include "providers/sip/SipLine.h"
#include "providers/sip/TlsContext.h"

namespace sipnet {
namespace {

constexpr uint32_t kMaxNameServers = 8;
// Hash table sizes of the stack's transactions, dialogs and connections.
constexpr uint32_t kStackTableSize = 32;

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

constexpr enum sip_transp StackTransport(Transport transport) {
  switch (transport) {
    case Transport::Tcp:
      return SIP_TRANSP_TCP;
    case Transport::Tls:
      return SIP_TRANSP_TLS;
    case Transport::Udp:
      break;
  }
  return SIP_TRANSP_UDP;
}

}  // namespace

SipEndpoint::SipEndpoint(const LineConfig &first, Log &log) : listen_(first.listen), log_(log) {
  sa_decode(&local_, listen_.c_str(), listen_.size());
  if (first.transport == Transport::Tls) {
    try {
      tls_ = TlsContextFor(first);
    } catch (const std::runtime_error &error) {
      throw LineError(LINEERR_INIFILECORRUPT, "line '" + first.name + "': " + error.what());
    }
  }
  resolver_ = SystemResolver();
  int error = sip_alloc(&stack_, resolver_, kStackTableSize, kStackTableSize, kStackTableSize,
                        "Corvax", nullptr, nullptr);
  if (error == 0) error = sip_transp_add(stack_, StackTransport(first.transport), &local_, tls_);
  if (error == 0) error = sipsess_listen(&sessions_, stack_, kStackTableSize, OnInvite, this);
  if (error != 0) {
    mem_deref(sessions_);
    mem_deref(stack_);
    mem_deref(resolver_);
    mem_deref(tls_);
    const LONG code = error == EADDRINUSE || error == EADDRNOTAVAIL ? LINEERR_RESOURCEUNAVAIL
                                                                    : LINEERR_OPERATIONFAILED;
    throw LineError(code, "line '" + first.name + "' cannot listen on " + listen_ + ": " +
                              std::strerror(error));
  }
}

SipEndpoint::~SipEndpoint() {
  mem_deref(sessions_);
  sip_close(stack_, true);
  mem_deref(stack_);
  mem_deref(resolver_);
  mem_deref(tls_);
}

SipLine *SipEndpoint::LineFor(const struct pl &user) const {
  // A line alone on its address takes every call, as before lines could share one: its user
  // is its login, which a proxy need not put in the Request-URI.
  if (lines_.size() == 1) return lines_.front();
  SipLine *anyUser = nullptr;
  for (SipLine *line : lines_) {
    const LineConfig &config = line->Config();
    if (!config.userGiven) {
      anyUser = line;
    } else if (pl_strcmp(&user, config.user.c_str()) == 0) {
      return line;
    }
  }
  return anyUser;
}

void SipEndpoint::OnInvite(const struct sip_msg *invite, void *arg) {
  auto *endpoint = static_cast<SipEndpoint *>(arg);
  SipLine *line = endpoint->LineFor(invite->uri.user);
  if (line != nullptr) {
    line->Offer(invite);
    return;
  }
  endpoint->log_.Write("INVITE to user '" + Text(invite->uri.user) + "' on " + endpoint->listen_ +
                       ": no line has that user: 404 Not Found");
  (void)sip_treply(nullptr, endpoint->stack_, invite, 404, "Not Found");
}

}  // namespace sipnet
