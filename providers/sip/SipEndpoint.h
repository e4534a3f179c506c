// One listening address on the stack's thread: its SIP socket (of the lines' transport) and user
// agent, shared by every line configured there. An INVITE goes to the line whose user is the Request-URI's user
// part, else to the line there without a user; 404 Not Found when there is neither. Requests that
// start something pass the line's screen first; OPTIONS is answered as an INVITE would be.
#pragma once

#include "providers/sip/Re.h"

#include <string>
#include <vector>

#include "providers/sip/SipConfig.h"
#include "providers/sip/SipLog.h"

namespace sipnet {

class SipLine;

class SipEndpoint {
 public:
  // Listens on `first`'s address; LineError naming that line when it cannot.
  SipEndpoint(const LineConfig &first, Log &log);
  ~SipEndpoint();
  SipEndpoint(const SipEndpoint &) = delete;
  SipEndpoint &operator=(const SipEndpoint &) = delete;

  const std::string &Listen() const { return listen_; }
  // The line takes its calls from here on; it must leave before the endpoint goes.
  void Add(SipLine &line) { lines_.push_back(&line); }

  const struct sa &Local() const { return local_; }
  struct sip *Stack() const {
    return stack_;
  }
  struct sipsess_sock *Sessions() const {
    return sessions_;
  }

 private:
  static void OnInvite(const struct sip_msg *invite, void *arg);
  static bool OnRequest(const struct sip_msg *request, void *arg);
  static bool OnResponse(const struct sip_msg *response, void *arg);
  // The stack reads datagrams of 8 KB at most, and offers no way to its socket but a message
  // that came through it: a datagram to itself lets it read the largest.
  void SendPrimer();
  void Prime(const struct sip_msg *message);
  bool Update(const struct sip_msg *update);
  SipLine *LineFor(const struct pl &user) const;

  const std::string listen_;
  Log &log_;
  struct sa local_;
  struct dnsc *resolver_ = nullptr;
  struct tls *tls_ = nullptr;  // for a TLS transport
  struct sip *stack_ = nullptr;
  struct sip_lsnr *screen_ = nullptr;
  struct sip_lsnr *primer_ = nullptr;
  bool primed_ = false;
  struct sipsess_sock *sessions_ = nullptr;
  std::vector<SipLine *> lines_;
};

}  // namespace sipnet
