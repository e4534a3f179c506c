#include "tests/sip/RtpCapture.h"

#include <netinet/ip.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sip_test {
namespace {

constexpr size_t kRtpHeader = 12;

}  // namespace

RtpCapture::RtpCapture() : socket_(socket(AF_INET, SOCK_RAW, IPPROTO_UDP)) {
  if (socket_ < 0) {
    error_ = std::string("no raw socket to capture RTP with: ") + std::strerror(errno);
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

RtpCapture::~RtpCapture() {
  Stop();
  if (socket_ >= 0) close(socket_);
}

void RtpCapture::Run() {
  std::vector<uint8_t> buffer(65536);
  while (!stop_) {
    pollfd ready{socket_, POLLIN, 0};
    if (poll(&ready, 1, 20) != 1) continue;
    const ssize_t size = recv(socket_, buffer.data(), buffer.size(), 0);
    if (size < static_cast<ssize_t>(sizeof(iphdr))) continue;
    const auto *ip = reinterpret_cast<const iphdr *>(buffer.data());
    const size_t udpAt = ip->ihl * 4u;
    const size_t rtpAt = udpAt + sizeof(udphdr);
    if (static_cast<size_t>(size) <= rtpAt + kRtpHeader) continue;
    const auto *udp = reinterpret_cast<const udphdr *>(buffer.data() + udpAt);
    const uint8_t *rtp = buffer.data() + rtpAt;
    const uint8_t *end = buffer.data() + size;
    const uint8_t payloadType = rtp[1] & 0x7F;
    if ((rtp[0] >> 6) != 2 || (payloadType != 0 && payloadType != 8)) continue;
    const Flow flow{ntohs(udp->source), ntohs(udp->dest)};
    std::lock_guard<std::mutex> lock(mutex_);
    auto &bytes = payloads_[flow];
    bytes.insert(bytes.end(), rtp + kRtpHeader, end);
    arrivals_[flow].push_back(std::chrono::steady_clock::now());
  }
}

std::map<RtpCapture::Flow, std::vector<uint8_t>> RtpCapture::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  return payloads_;
}

std::map<RtpCapture::Flow, std::vector<std::chrono::steady_clock::time_point>>
RtpCapture::Arrivals() {
  Stop();
  std::lock_guard<std::mutex> lock(mutex_);
  return arrivals_;
}

}  // namespace sip_test
