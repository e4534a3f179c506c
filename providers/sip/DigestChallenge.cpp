#include "providers/sip/DigestChallenge.h"

#include <cinttypes>
#include <cstdlib>

namespace sipnet {
namespace {

constexpr const char *kRealm = "corvax";
constexpr double kNonceLifeMs = 5 * 60 * 1000;
constexpr size_t kStampDigits = 16;

}  // namespace

DigestChallenge::DigestChallenge(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)), secret_(rand_u64()) {}

// The time it was issued, then a digest of that time and a secret, so that only our own nonces
// pass and none for long.
std::string DigestChallenge::Nonce(uint64_t issuedMs) const {
  uint8_t digest[MD5_SIZE];
  md5_printf(digest, "%016llx:%016llx", static_cast<unsigned long long>(issuedMs),
             static_cast<unsigned long long>(secret_));
  char text[kStampDigits + 2 * MD5_SIZE + 1];
  re_snprintf(text, sizeof text, "%016llx%w", static_cast<unsigned long long>(issuedMs), digest,
              sizeof digest);
  return text;
}

bool DigestChallenge::FreshNonce(const struct pl &nonce, double nowMs) const {
  if (nonce.l != kStampDigits + 2 * MD5_SIZE) return false;
  const std::string stamp(nonce.p, kStampDigits);
  char *end = nullptr;
  const uint64_t issuedMs = std::strtoull(stamp.c_str(), &end, 16);
  if (end != stamp.c_str() + kStampDigits || Nonce(issuedMs) != Text(nonce)) return false;
  return nowMs >= static_cast<double>(issuedMs) &&
         nowMs - static_cast<double>(issuedMs) < kNonceLifeMs;
}

std::string DigestChallenge::Header(double nowMs) const {
  return std::string("WWW-Authenticate: Digest realm=\"") + kRealm + "\", nonce=\"" +
         Nonce(static_cast<uint64_t>(nowMs)) + "\", algorithm=MD5, qop=\"auth\"\r\n";
}

bool DigestChallenge::Admits(const struct sip_msg *request, double nowMs) const {
  const struct sip_hdr *header = sip_msg_hdr(request, SIP_HDR_AUTHORIZATION);
  struct httpauth_digest_resp response;
  if (header == nullptr || httpauth_digest_response_decode(&response, &header->val) != 0)
    return false;
  if (pl_strcmp(&response.username, user_.c_str()) != 0 ||
      pl_strcmp(&response.realm, kRealm) != 0 || !FreshNonce(response.nonce, nowMs))
    return false;
  uint8_t ha1[MD5_SIZE];
  if (md5_printf(ha1, "%s:%s:%s", user_.c_str(), kRealm, password_.c_str()) != 0) return false;
  return httpauth_digest_response_auth(&response, &request->met, ha1) == 0;
}

}  // namespace sipnet
