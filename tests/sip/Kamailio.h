// Debian's Kamailio run by a test: a configuration of deploy/kamailio, on a free UDP port of
// 127.0.0.1, with a run folder of its own; stopped by its process id.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "tests/sip/Peer.h"

namespace sip_test {

class Kamailio {
 public:
  // `config` names a file of deploy/kamailio without ".cfg"; `defines` are its settings.
  Kamailio(const std::string &config, const std::filesystem::path &folder,
           const std::map<std::string, std::string> &defines);
  ~Kamailio();
  Kamailio(const Kamailio &) = delete;
  Kamailio &operator=(const Kamailio &) = delete;

  // Waits until it answers; "" then, else what it said.
  std::string WaitUntilAnswering();
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  int Port() const { return port_; }
  std::string Output() const { return process_->Output(); }
  void Stop();
  void Start();

 private:
  std::string config_;
  std::filesystem::path folder_;
  std::map<std::string, std::string> defines_;
  int port_ = 0;
  std::unique_ptr<Peer> process_;
};

}  // namespace sip_test
