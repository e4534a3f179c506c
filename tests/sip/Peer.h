// Real SIP peers that we did not write (sipp, baresip), run as child processes on the loopback
// interface, and what the tests need around them.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace sip_test {

// A port that nothing uses, for UDP or TCP on any address, at the moment it is asked for.
int FreeUdpPort();
// The first of `count` such ports in a row.
int FreeUdpPorts(int count);
// sipp binds its media port and the three after it (RTCP, video and its RTCP).
constexpr int kSippMediaPorts = 4;
// baresip listens for TLS on the port after its SIP port.
constexpr int kBaresipSipPorts = 2;

// Whether a program is on the PATH.
bool Installed(const std::string &program);

// A child process with its output in a file; Wait gives its exit status. Destroying one that
// still runs kills it.
class Peer {
 public:
  Peer(const std::vector<std::string> &argv, const std::filesystem::path &folder,
       const std::string &name);
  ~Peer();
  Peer(const Peer &) = delete;
  Peer &operator=(const Peer &) = delete;

  int Wait();
  // Whether it has not ended yet (an ended one is still there for Wait).
  bool Running() const;
  pid_t Pid() const { return pid_; }
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  std::filesystem::path output_;
};

// The sipp scenario file of the tests.
std::string Scenario(const std::string &name);

// sipp with a scenario of the tests against `target` (host:port), from `localPort` on `host`,
// calling `user` there. It ends on its own within `seconds`.
std::vector<std::string> Sipp(const std::string &scenario, const std::string &target, int localPort,
                              int seconds, const std::string &user = "desk",
                              const std::string &host = "127.0.0.1");

// Sends one datagram from port `from` to the line's port and returns the first line of its
// answer ("" when none comes within two seconds).
std::string Probe(int from, int port, const std::string &datagram);

// Sends one datagram from `host` (a loopback address, e.g. 127.0.0.2) port `from` to port `to`
// on 127.0.0.1 and returns its first answer whole ("" when none comes within two seconds).
std::string Ask(const std::string &host, int from, int to, const std::string &datagram);

// A request outside a call from `host`:`from` to `user` at port `to` on 127.0.0.1, with
// `headers` (each ending in CRLF) and `body` (SDP when there is one); each `from` is a
// transaction of its own.
struct Request {
  std::string method = "INVITE";
  int from = 0;
  int to = 0;
  std::string body;
  std::string user = "desk";
  std::string host = "127.0.0.1";
  std::string headers;
};
std::string Text(const Request &request);

// An INVITE from port `from` to `user` at port `to` on 127.0.0.1, offering `sdp`; each `from`
// makes a call of its own.
std::string Invite(int from, int to, const std::string &sdp, const std::string &user = "desk");

// The value of a header line ("To: ..." gives what follows "To: "), or "".
std::string Header(const std::string &message, const std::string &name);

// Waits up to two seconds for a datagram to port `port` of 127.0.0.1 and returns it, once what
// `reply` makes of it has gone back to where it came from; "" when none comes.
std::string ReceiveAndReply(int port, const std::function<std::string(const std::string &)> &reply);

// An offer of G.711 µ-law, the line's codec.
extern const char *const kPcmuOffer;

}  // namespace sip_test
