#include "tests/sip/Kamailio.h"

#include <signal.h>

#include <chrono>
#include <thread>
#include <vector>

namespace sip_test {

Kamailio::Kamailio(const std::string &config, const std::filesystem::path &folder,
                   const std::map<std::string, std::string> &defines)
    : config_(config), folder_(folder), defines_(defines), port_(FreeUdpPort()) {
  std::filesystem::create_directories(folder_);
  Start();
}

Kamailio::~Kamailio() {
  Stop();
}

void Kamailio::Start() {
  static int starts = 0;
  std::vector<std::string> argv = {"kamailio",
                                   "-f",
                                   std::string(CORVAX_KAMAILIO_CONFIGS) + "/" + config_ + ".cfg",
                                   "-DD",  // in the foreground: its id is the one to stop
                                   "-E",
                                   "-l",
                                   "udp:" + Address(),
                                   "-Y",
                                   folder_.string(),
                                   "-w",
                                   folder_.string(),
                                   "-P",
                                   (folder_ / "kamailio.pid").string(),
                                   "-m",
                                   "32",
                                   "-M",
                                   "8"};
  for (const auto &[name, value] : defines_) {
    argv.push_back("-A");
    argv.push_back(name + "=" + value);
  }
  process_ = std::make_unique<Peer>(argv, folder_, "kamailio-" + std::to_string(++starts));
}

void Kamailio::Stop() {
  if (!process_ || !process_->Running()) return;
  kill(process_->Pid(), SIGTERM);
  process_->Wait();
}

std::string Kamailio::WaitUntilAnswering() {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < giveUp) {
    if (!process_->Running()) return "kamailio ended:\n" + Output();
    const int from = FreeUdpPort();
    const std::string options =
        "OPTIONS sip:127.0.0.1:" + std::to_string(port_) +
        " SIP/2.0\r\nVia: SIP/2.0/UDP 127.0.0.1:" + std::to_string(from) + ";branch=z9hG4bK-ready" +
        std::to_string(from) + "\r\nFrom: <sip:test@127.0.0.1:" + std::to_string(from) +
        ">;tag=ready\r\nTo: <sip:127.0.0.1:" + std::to_string(port_) + ">\r\nCall-ID: ready-" +
        std::to_string(from) +
        "\r\nCSeq: 1 OPTIONS\r\nMax-Forwards: 70\r\nContent-Length: 0\r\n\r\n";
    if (!Probe(from, port_, options).empty()) return "";
  }
  return "kamailio did not answer within 20 s:\n" + Output();
}

}  // namespace sip_test
