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
// The largest UDP datagram, which a SIP request may fill.
constexpr size_t kMaxDatagram = 65535;
constexpr const char *kPrimerCallId = "corvax-primer";

bool Is(const struct sip_msg *message, const char *method) {
  return pl_strcmp(&message->met, method) == 0;
}

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
  // Before the sessions' listener, so that requests pass the screen first.
  if (error == 0) error = sip_listen(&screen_, stack_, true, OnRequest, this);
  if (error == 0) error = sip_listen(&primer_, stack_, false, OnResponse, this);
  if (error == 0) error = sipsess_listen(&sessions_, stack_, kStackTableSize, OnInvite, this);
  if (error != 0) {
    mem_deref(sessions_);
    mem_deref(primer_);
    mem_deref(screen_);
    mem_deref(stack_);
    mem_deref(resolver_);
    mem_deref(tls_);
    const LONG code = error == EADDRINUSE || error == EADDRNOTAVAIL ? LINEERR_RESOURCEUNAVAIL
                                                                    : LINEERR_OPERATIONFAILED;
    throw LineError(code, "line '" + first.name + "' cannot listen on " + listen_ + ": " +
                              std::strerror(error));
  }
  // Only UDP reads a message in one datagram of limited size.
  if (first.transport == Transport::Udp) SendPrimer();
}

SipEndpoint::~SipEndpoint() {
  mem_deref(sessions_);
  mem_deref(primer_);
  mem_deref(screen_);
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

void SipEndpoint::SendPrimer() {
  struct mbuf *primer = mbuf_alloc(256);
  if (primer == nullptr) return;
  (void)mbuf_printf(primer,
                    "SIP/2.0 200 OK\r\nVia: SIP/2.0/UDP %J;branch=z9hG4bK-%s\r\n"
                    "From: <sip:primer@%J>;tag=1\r\nTo: <sip:primer@%J>;tag=1\r\n"
                    "Call-ID: %s\r\nCSeq: 1 OPTIONS\r\nContent-Length: 0\r\n\r\n",
                    &local_, kPrimerCallId, &local_, &local_, kPrimerCallId);
  primer->pos = 0;
  (void)udp_send_anon(&local_, primer);
  mem_deref(primer);
}

void SipEndpoint::Prime(const struct sip_msg *message) {
  if (primed_ || message->tp != SIP_TRANSP_UDP || message->sock == nullptr) return;
  udp_rxsz_set(static_cast<struct udp_sock *>(message->sock), kMaxDatagram);
  primed_ = true;
}

bool SipEndpoint::OnResponse(const struct sip_msg *response, void *arg) {
  static_cast<SipEndpoint *>(arg)->Prime(response);
  return pl_strcmp(&response->callid, kPrimerCallId) == 0;
}

bool SipEndpoint::OnRequest(const struct sip_msg *request, void *arg) {
  auto *endpoint = static_cast<SipEndpoint *>(arg);
  endpoint->Prime(request);
  if (pl_isset(&request->to.tag) && Is(request, "UPDATE")) return endpoint->Update(request);
  // A call's own requests are its session's.
  if (pl_isset(&request->to.tag) || Is(request, "ACK") || Is(request, "CANCEL")) return false;
  if (endpoint->lines_.empty()) return false;
  SipLine *line = endpoint->LineFor(request->uri.user);
  SipLine &screen = line != nullptr ? *line : *endpoint->lines_.front();
  if (!screen.Screen(request)) return true;
  if (!Is(request, "OPTIONS")) return false;
  if (line != nullptr) {
    line->AnswerOptions(request);
  } else {
    (void)sip_treply(nullptr, endpoint->stack_, request, 404, "Not Found");
  }
  return true;
}

// The session layer knows no UPDATE: it goes to the call of its dialog, as a BYE would.
bool SipEndpoint::Update(const struct sip_msg *update) {
  for (SipLine *line : lines_)
    if (line->Update(update)) return true;
  (void)sip_treply(nullptr, stack_, update, 481, "Call/Transaction Does Not Exist");
  return true;
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
