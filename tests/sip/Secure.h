// What the tests of encrypted lines need: a throw-away certificate authority and certificates
// made with openssl (and tests/sip/RtpCapture.h to see what crosses the loopback).
#pragma once

#include "tests/sip/RtpCapture.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sip_test {

// In `folder`: ca.crt (an authority), line.crt and line.key (127.0.0.1's certificate from it, and
// its key), peer.pem (another certificate from it, with its key, for baresip) and stranger.crt
// (an authority that vouches for none of them). "" when made, else what went wrong.
std::string MakeCertificates(const std::filesystem::path &folder);

// Bytes of G.711 µ-law decoded by sox, independently of the line's codec.
std::vector<int16_t> DecodedMuLaw(const std::vector<uint8_t> &bytes,
                                  const std::filesystem::path &folder);

}  // namespace sip_test
