#include "providers/sip/SrtpGuard.h"

#include <system_error>

namespace sipnet {
namespace {

// The socket's only helper: any layer will do.
constexpr int kSrtpLayer = 0;

}  // namespace

SrtpGuard::SrtpGuard(struct udp_sock *socket, const SdesKey &ours, const SdesKey &theirs) {
  int error = srtp_alloc(&sending_, ours.suite, ours.key.data(), ours.key.size(), 0);
  if (error == 0)
    error = srtp_alloc(&receiving_, theirs.suite, theirs.key.data(), theirs.key.size(), 0);
  if (error == 0)
    error = udp_register_helper(&helper_, socket, kSrtpLayer, OnSend, OnReceive, this);
  if (error != 0) {
    mem_deref(sending_);
    mem_deref(receiving_);
    throw std::system_error(error, std::generic_category(), "SRTP");
  }
}

SrtpGuard::~SrtpGuard() {
  mem_deref(helper_);
  mem_deref(sending_);
  mem_deref(receiving_);
}

bool SrtpGuard::OnSend(int *error, struct sa * /*destination*/, struct mbuf *packet, void *arg) {
  // Not handled: the socket sends it on, encrypted; or, on an error, reports it unsent.
  *error = srtp_encrypt(static_cast<SrtpGuard *>(arg)->sending_, packet);
  return false;
}

bool SrtpGuard::OnReceive(struct sa * /*source*/, struct mbuf *packet, void *arg) {
  // Handled, that is dropped, when it does not authenticate (or replays one already heard).
  return srtp_decrypt(static_cast<SrtpGuard *>(arg)->receiving_, packet) != 0;
}

}  // namespace sipnet
