// SDES: the SRTP master keys a call's SDP carries in its a=crypto attributes (RFC 4568), of the
// AES-128 counter-mode suites, whose keys are 30 bytes (16 of key, 14 of salt).
#pragma once

#include "providers/sip/Re.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sipnet {

struct SdesKey {
  uint32_t tag = 1;
  enum srtp_suite suite = SRTP_AES_CM_128_HMAC_SHA1_80;
  std::vector<uint8_t> key;
};

// A fresh random master key of the suite we offer, under tag 1.
SdesKey NewSdesKey();

// The attribute's value: "<tag> <suite> inline:<key in base64>".
std::string CryptoAttribute(const SdesKey &key);

// The first key the peer's SDP for `media` offers that we can use; with `tag`, only the one
// answering our offer of that tag.
std::optional<SdesKey> PeerKey(const struct sdp_media *media, std::optional<uint32_t> tag);

}  // namespace sipnet
