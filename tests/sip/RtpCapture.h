// A capture of the RTP crossing the loopback interface while it runs, for tests that must see
// what went on the wire rather than what a peer made of it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sip_test {

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
  // Once stopped: when each flow's packets were seen, in order.
  std::map<Flow, std::vector<std::chrono::steady_clock::time_point>> Arrivals();

 private:
  void Run();

  int socket_ = -1;
  std::string error_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<Flow, std::vector<uint8_t>> payloads_;
  std::map<Flow, std::vector<std::chrono::steady_clock::time_point>> arrivals_;
  std::thread thread_;
};

}  // namespace sip_test
