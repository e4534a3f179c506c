#include "tests/sip/Peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char **environ;

namespace sip_test {
namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

const char *const kPcmuOffer =
    "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
    "m=audio 4000 RTP/AVP 0\r\n";

int FreeUdpPort() {
  const int probe = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  if (probe < 0 || bind(probe, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
      getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
    throw std::runtime_error("no UDP port is free on 127.0.0.1");
  }
  close(probe);
  return ntohs(address.sin_port);
}

bool Installed(const std::string &program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

Peer::Peer(const std::vector<std::string> &argv, const std::filesystem::path &folder,
           const std::string &name)
    : output_(folder / (name + ".out")) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char *> args;
  for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
  args.push_back(nullptr);
  const int error = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0]);
}

Peer::~Peer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  Wait();
}

int Peer::Wait() {
  int status = 0;
  if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool Peer::Running() const {
  siginfo_t info{};
  return pid_ > 0 &&
         waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

std::string Peer::Output() const {
  std::ifstream file(output_);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string Scenario(const std::string &name) {
  return std::string(CORVAX_SIP_SCENARIOS) + "/" + name + ".xml";
}

std::vector<std::string> Sipp(const std::string &scenario, const std::string &target, int localPort,
                              int seconds, const std::string &user) {
  const std::string media = std::to_string(FreeUdpPort());
  return {"timeout",
          std::to_string(seconds + 5),
          "sipp",
          target,
          "-sf",
          Scenario(scenario),
          "-m",
          "1",
          "-s",
          user,
          "-i",
          "127.0.0.1",
          "-p",
          std::to_string(localPort),
          "-mp",
          media,
          "-timeout",
          std::to_string(seconds) + "s",
          "-timeout_error",
          "-nostdin",
          "-trace_err",
          "-trace_msg"};
}

std::string Probe(int from, int port, const std::string &datagram) {
  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in local = Loopback(from);
  bind(sock, reinterpret_cast<const sockaddr *>(&local), sizeof local);
  const sockaddr_in line = Loopback(port);
  sendto(sock, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&line),
         sizeof line);
  pollfd ready{sock, POLLIN, 0};
  std::string answer;
  if (poll(&ready, 1, 2000) == 1) {
    char buffer[2048];
    const ssize_t size = recv(sock, buffer, sizeof buffer, 0);
    if (size > 0) answer.assign(buffer, static_cast<size_t>(size));
  }
  close(sock);
  return answer.substr(0, answer.find("\r\n"));
}

std::string Invite(int from, int to, const std::string &sdp, const std::string &user) {
  const std::string callId = "probe-" + std::to_string(from) + "-" + std::to_string(sdp.size());
  std::ostringstream message;
  message << "INVITE sip:" << user << "@127.0.0.1:" << to << " SIP/2.0\r\n"
          << "Via: SIP/2.0/UDP 127.0.0.1:" << from << ";branch=z9hG4bK-" << callId
          << "\r\nFrom: <sip:probe@127.0.0.1:" << from << ">;tag=probe\r\n"
          << "To: <sip:" << user << "@127.0.0.1:" << to << ">\r\nCall-ID: " << callId
          << "@127.0.0.1\r\nCSeq: 1 INVITE\r\nContact: <sip:probe@127.0.0.1:" << from
          << ">\r\nMax-Forwards: 70\r\nContent-Type: application/sdp\r\nContent-Length: "
          << sdp.size() << "\r\n\r\n"
          << sdp;
  return message.str();
}

}  // namespace sip_test
