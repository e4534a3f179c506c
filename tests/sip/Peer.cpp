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

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

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

namespace {

// Ports are handed out below the kernel's ephemeral range (32768 up), which it gives to any
// socket that sends before binding: a port probed free there can be taken before a peer binds
// it. The range also stays clear of the lines' RTP ports (20000 up). Each test process walks it
// from its own starting point, so processes run side by side seldom meet.
constexpr int kLowestPort = 10000;
constexpr int kPortRange = 10000;

// Free on every address, for UDP and for TCP alike, since lines listen on either.
bool PortIsFree(int port) {
  for (const int type : {SOCK_DGRAM, SOCK_STREAM}) {
    const int sock = socket(AF_INET, type, 0);
    if (sock < 0) return false;
    sockaddr_in address = Loopback(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool bound = bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(sock);
    if (!bound) return false;
  }
  return true;
}

// Never hands out a port of a run it gave before, until the whole range has gone round.
int NextCandidate(int count) {
  static std::atomic<int> next{static_cast<int>(getpid()) * 97 % kPortRange};
  return kLowestPort + next.fetch_add(count) % kPortRange;
}

}  // namespace

int FreeUdpPort() {
  return FreeUdpPorts(1);
}

int FreeUdpPorts(int count) {
  for (int attempt = 0; attempt < kPortRange; ++attempt) {
    const int first = NextCandidate(count);
    if (first + count > kLowestPort + kPortRange) continue;
    int port = first;
    while (port < first + count && PortIsFree(port)) ++port;
    if (port == first + count) return first;
  }
  throw std::runtime_error("no run of " + std::to_string(count) + " free ports from " +
                           std::to_string(kLowestPort));
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
                              int seconds, const std::string &user, const std::string &host) {
  const std::string media = std::to_string(FreeUdpPorts(kSippMediaPorts));
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
          host,
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

std::string Ask(const std::string &host, int from, int to, const std::string &datagram) {
  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local = Loopback(from);
  inet_pton(AF_INET, host.c_str(), &local.sin_addr);
  bind(sock, reinterpret_cast<const sockaddr *>(&local), sizeof local);
  const sockaddr_in line = Loopback(to);
  sendto(sock, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&line),
         sizeof line);
  pollfd ready{sock, POLLIN, 0};
  std::string answer;
  if (poll(&ready, 1, 2000) == 1) {
    std::vector<char> buffer(65536);
    const ssize_t size = recv(sock, buffer.data(), buffer.size(), 0);
    if (size > 0) answer.assign(buffer.data(), static_cast<size_t>(size));
  }
  close(sock);
  return answer;
}

std::string Probe(int from, int port, const std::string &datagram) {
  const std::string answer = Ask("127.0.0.1", from, port, datagram);
  return answer.substr(0, answer.find("\r\n"));
}

std::string Header(const std::string &message, const std::string &name) {
  const size_t at = message.find("\r\n" + name + ":");
  if (at == std::string::npos) return "";
  const size_t begin = message.find_first_not_of(' ', at + name.size() + 3);
  return message.substr(begin, message.find("\r\n", begin) - begin);
}

std::string ReceiveAndReply(int port,
                            const std::function<std::string(const std::string &)> &reply) {
  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in local = Loopback(port);
  bind(sock, reinterpret_cast<const sockaddr *>(&local), sizeof local);
  pollfd ready{sock, POLLIN, 0};
  std::string request;
  if (poll(&ready, 1, 2000) == 1) {
    char buffer[4096];
    sockaddr_in source{};
    socklen_t size = sizeof source;
    const ssize_t length =
        recvfrom(sock, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&source), &size);
    if (length > 0) request.assign(buffer, static_cast<size_t>(length));
    const std::string answer = reply(request);
    sendto(sock, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr *>(&source),
           size);
  }
  close(sock);
  return request;
}

std::string Text(const Request &request) {
  // A port freed by one probe may be the next one's: a Call-ID (and branch) of its own keeps a
  // new request from being taken for the retransmission of an earlier one.
  static std::atomic<unsigned> sent{0};
  const std::string callId = "probe-" + std::to_string(request.from) + "-" +
                             std::to_string(request.body.size()) + "-" + std::to_string(++sent);
  const std::string peer = request.host + ":" + std::to_string(request.from);
  const std::string line = "127.0.0.1:" + std::to_string(request.to);
  std::ostringstream message;
  message << request.method << " sip:" << request.user << "@" << line << " SIP/2.0\r\n"
          << "Via: SIP/2.0/UDP " << peer << ";branch=z9hG4bK-" << callId << "\r\nFrom: <sip:probe@"
          << peer << ">;tag=probe\r\n"
          << "To: <sip:" << request.user << "@" << line << ">\r\nCall-ID: " << callId << "@"
          << request.host << "\r\nCSeq: 1 " << request.method << "\r\nContact: <sip:probe@" << peer
          << ">\r\nMax-Forwards: 70\r\n"
          << request.headers << (request.body.empty() ? "" : "Content-Type: application/sdp\r\n")
          << "Content-Length: " << request.body.size() << "\r\n\r\n"
          << request.body;
  return message.str();
}

std::string Invite(int from, int to, const std::string &sdp, const std::string &user) {
  Request request;
  request.from = from;
  request.to = to;
  request.body = sdp;
  request.user = user;
  return Text(request);
}

}  // namespace sip_test
