#include "providers/sip/Sdes.h"

#include <cstring>

namespace sipnet {
namespace {

constexpr size_t kMasterKeyBytes = 30;

std::optional<enum srtp_suite> SuiteNamed(const std::string &name) {
  for (const enum srtp_suite suite : {SRTP_AES_CM_128_HMAC_SHA1_80, SRTP_AES_CM_128_HMAC_SHA1_32})
    if (name == srtp_suite_name(suite)) return suite;
  return std::nullopt;
}

struct Search {
  std::optional<uint32_t> tag;
  std::optional<SdesKey> found;
};

// One attribute "<tag> <suite> inline:<key>[|lifetime][|MKI:length] [session params]".
bool Take(const char * /*name*/, const char *value, void *arg) {
  auto *search = static_cast<Search *>(arg);
  struct pl tag, suite, key;
  if (value == nullptr ||
      re_regex(value, std::strlen(value), "[0-9]+[ \t]+[^ \t]+[ \t]+inline:[^|( \t]+", &tag,
               nullptr, &suite, nullptr, &key) != 0) {
    return false;
  }
  const std::optional<enum srtp_suite> known = SuiteNamed(Text(suite));
  if (!known || (search->tag && pl_u32(&tag) != *search->tag)) return false;
  std::vector<uint8_t> bytes(key.l);
  size_t length = bytes.size();
  if (base64_decode(key.p, key.l, bytes.data(), &length) != 0 || length != kMasterKeyBytes)
    return false;
  bytes.resize(length);
  search->found = SdesKey{pl_u32(&tag), *known, std::move(bytes)};
  return true;
}

}  // namespace

SdesKey NewSdesKey() {
  SdesKey key;
  key.key.resize(kMasterKeyBytes);
  rand_bytes(key.key.data(), key.key.size());
  return key;
}

std::string CryptoAttribute(const SdesKey &key) {
  char encoded[64] = "";
  size_t length = sizeof encoded;
  (void)base64_encode(key.key.data(), key.key.size(), encoded, &length);
  return std::to_string(key.tag) + " " + srtp_suite_name(key.suite) +
         " inline:" + std::string(encoded, length);
}

std::optional<SdesKey> PeerKey(const struct sdp_media *media, std::optional<uint32_t> tag) {
  Search search{tag, std::nullopt};
  (void)sdp_media_rattr_apply(media, "crypto", Take, &search);
  return search.found;
}

}  // namespace sipnet
