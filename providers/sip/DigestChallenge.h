// Digest authentication of the requests that call a line directly: a challenge with a nonce of
// our own making, and the check of the credentials that answer it.
#pragma once

#include "providers/sip/Re.h"

#include <string>

namespace sipnet {

class DigestChallenge {
 public:
  DigestChallenge(std::string user, std::string password);

  // The WWW-Authenticate header (with its line end) for a 401 issued at `nowMs`.
  std::string Header(double nowMs) const;
  // Whether `request` carries credentials for the user that answer a nonce of ours that is
  // not older than five minutes at `nowMs`.
  bool Admits(const struct sip_msg *request, double nowMs) const;

 private:
  std::string Nonce(uint64_t issuedMs) const;
  bool FreshNonce(const struct pl &nonce, double nowMs) const;

  const std::string user_;
  const std::string password_;
  const uint64_t secret_;
};

}  // namespace sipnet
