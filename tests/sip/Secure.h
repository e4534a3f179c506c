// What the tests of encrypted lines need: a throw-away certificate authority and certificates
// made with openssl, and a capture of the RTP crossing the loopback interface.
#pragma once

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

// The payloads of the RTP packets (version 2, payload type 0 or 8) that cross the loopback
// while it runs, per flow from one port to another. Needs a raw socket (root, or
// CAP_NET_RAW): Error() says why there is none.
class RtpCapture {
 public:
  using Flow = std::pair<uint16_t, uint16_t>;  // source and destination port

  RtpCapture();
  ~RtpCapture();
  RtpCapture(const RtpCapture &) = delete;
  RtpCapture &operator=(const RtpCapture &) = delete;

  const std::string &Error() const { return error_; }
  // Stops and gives what was captured: each flow's payload bytes, packet after packet.
  std::map<Flow, std::vector<uint8_t>> Stop();

 private:
  void Run();

  int socket_ = -1;
  std::string error_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<Flow, std::vector<uint8_t>> payloads_;
  std::thread thread_;
};

// Bytes of G.711 µ-law decoded by sox, independently of the line's codec.
std::vector<int16_t> DecodedMuLaw(const std::vector<uint8_t> &bytes,
                                  const std::filesystem::path &folder);

}  // namespace sip_test
