// Real SIP peers that we did not write (sipp, baresip), run as child processes on the loopback
// interface, and what the tests need around them.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sip_test {

// A UDP port on 127.0.0.1 that nothing uses at the moment it is asked for.
int FreeUdpPort();

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

// sipp with a scenario of the tests against `target` (host:port), from `localPort`, calling
// `user` there. It ends on its own within `seconds`.
std::vector<std::string> Sipp(const std::string &scenario, const std::string &target, int localPort,
                              int seconds, const std::string &user = "desk");

// Sends one datagram from port `from` to the line's port and returns the first line of its
// answer ("" when none comes within two seconds).
std::string Probe(int from, int port, const std::string &datagram);

// An INVITE from port `from` to `user` at port `to` on 127.0.0.1, offering `sdp`; each `from`
// makes a call of its own.
std::string Invite(int from, int to, const std::string &sdp, const std::string &user = "desk");

// An offer of G.711 µ-law, the line's codec.
extern const char *const kPcmuOffer;

}  // namespace sip_test
