// Any bytes as one datagram to a SIP line, through its own socket on the loopback: whatever the
// provider makes of them (an answer, a call refused, nothing), it still answers the next
// request, an OPTIONS from another address; nothing else may happen (no crash, no leak).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "providers/sip/SipProvider.h"

namespace {

// The largest datagram IPv4 carries.
constexpr size_t kMaxDatagram = 65507;
constexpr int kAnswerWaitMs = 5000;

sockaddr_in At(const char *host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, host, &address.sin_addr);
  return address;
}

// A UDP socket on `host` at a port of the system's choosing, and that port.
int Bound(const char *host, int &port) {
  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address = At(host, 0);
  socklen_t size = sizeof address;
  fuzz::Require(sock >= 0 && bind(sock, reinterpret_cast<sockaddr *>(&address), size) == 0 &&
                    getsockname(sock, reinterpret_cast<sockaddr *>(&address), &size) == 0,
                "no UDP socket on the loopback");
  port = ntohs(address.sin_port);
  return sock;
}

// One line on the loopback that takes any number of requests a second, the socket the inputs
// come from, and the one the liveness probes come from.
struct Line {
  Line() {
    int linePort = 0;
    const int reserve = Bound("127.0.0.1", linePort);
    close(reserve);
    port = linePort;
    fuzzSock = Bound("127.0.0.1", fuzzPort);
    probeSock = Bound("127.0.0.2", probePort);
    const std::string config = std::filesystem::temp_directory_path() /
                               ("corvax-sip-fuzz-" + std::to_string(getpid()) + ".conf");
    std::ofstream(config) << "log = /dev/null\n[line]\nname = Fuzz\nlisten = 127.0.0.1:" << port
                          << "\ninvite_rate = 1000000\nrequest_rate = 1000000\n";
    provider = std::make_unique<sipnet::SipProvider>(config);
    std::filesystem::remove(config);
    fuzz::Require(provider->StartError() == 0, "the line did not start");
  }
  ~Line() {
    provider.reset();
    close(fuzzSock);
    close(probeSock);
  }

  void Send(int sock, const void *data, size_t size) const {
    const sockaddr_in to = At("127.0.0.1", port);
    (void)sendto(sock, data, size, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
  }

  // Whether an OPTIONS from the probe's address is answered.
  bool Answers() {
    const std::string callId = "probe-" + std::to_string(++probes);
    const std::string from = "127.0.0.2:" + std::to_string(probePort);
    const std::string options =
        "OPTIONS sip:fuzz@127.0.0.1:" + std::to_string(port) + " SIP/2.0\r\nVia: SIP/2.0/UDP " +
        from + ";branch=z9hG4bK-" + callId + "\r\nFrom: <sip:probe@" + from +
        ">;tag=p\r\nTo: <sip:fuzz@127.0.0.1>\r\nCall-ID: " + callId + "\r\nCSeq: 1 OPTIONS\r\n" +
        "Max-Forwards: 70\r\nContent-Length: 0\r\n\r\n";
    Send(probeSock, options.data(), options.size());
    std::vector<char> answer(kMaxDatagram);
    pollfd ready{probeSock, POLLIN, 0};
    // Answers to what the inputs named as the probe's address may come first.
    while (poll(&ready, 1, kAnswerWaitMs) == 1) {
      const ssize_t size = recv(probeSock, answer.data(), answer.size(), 0);
      if (size > 0 && std::string(answer.data(), static_cast<size_t>(size))
                              .find("Call-ID: " + callId + "\r\n") != std::string::npos)
        return true;
    }
    return false;
  }

  // Forgets what the line answered the inputs.
  void Drain() const {
    std::vector<char> answer(kMaxDatagram);
    while (recv(fuzzSock, answer.data(), answer.size(), MSG_DONTWAIT) > 0) {
    }
  }

  int port = 0;
  int fuzzSock = -1;
  int fuzzPort = 0;
  int probeSock = -1;
  int probePort = 0;
  unsigned probes = 0;
  std::unique_ptr<sipnet::SipProvider> provider;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Line line;
  line.Send(line.fuzzSock, data, std::min(size, kMaxDatagram));
  fuzz::Require(line.Answers(), "the line no longer answers after a datagram");
  line.Drain();
  return 0;
}
