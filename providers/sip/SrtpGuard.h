// SRTP on one RTP socket (RFC 3711), through libre: each packet sent is encrypted and
// authenticated with our master key, each one arriving is checked and decrypted with the peer's
// and dropped when it does not authenticate. It must go before the socket does.
#pragma once

#include "providers/sip/Re.h"

#include "providers/sip/Sdes.h"

namespace sipnet {

class SrtpGuard {
 public:
  // std::system_error when a key does not suit its suite.
  SrtpGuard(struct udp_sock *socket, const SdesKey &ours, const SdesKey &theirs);
  ~SrtpGuard();
  SrtpGuard(const SrtpGuard &) = delete;
  SrtpGuard &operator=(const SrtpGuard &) = delete;

 private:
  static bool OnSend(int *error, struct sa *destination, struct mbuf *packet, void *arg);
  static bool OnReceive(struct sa *source, struct mbuf *packet, void *arg);

  struct srtp *sending_ = nullptr;
  struct srtp *receiving_ = nullptr;
  struct udp_helper *helper_ = nullptr;
};

}  // namespace sipnet
