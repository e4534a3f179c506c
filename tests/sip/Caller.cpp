#include "tests/sip/Caller.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <random>
#include <span>
#include <sstream>

#include "providers/sip/G711.h"
#include "tests/sip/Peer.h"
#include "tests/support/AudioSignals.h"

namespace sip_test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kFrame = 160;  // 20 ms
constexpr auto kFrameTime = std::chrono::milliseconds(20);
constexpr auto kResend = std::chrono::milliseconds(500);
constexpr int kBeepLevel = 1000;

// A UDP socket on 127.0.0.1 at a port of the system's choosing.
class Socket {
 public:
  Socket() : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr *>(&address), size);
    getsockname(fd_, reinterpret_cast<sockaddr *>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~Socket() { close(fd_); }
  Socket(const Socket &) = delete;
  Socket &operator=(const Socket &) = delete;

  static sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
  }
  int Port() const { return port_; }
  int Fd() const { return fd_; }
  void SendTo(int port, const void *data, size_t size) const {
    const sockaddr_in to = Loopback(port);
    sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
  }
  void SendTo(int port, const std::string &text) const { SendTo(port, text.data(), text.size()); }
  std::string Receive() const {
    char buffer[4096];
    const ssize_t size = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    return size > 0 ? std::string(buffer, static_cast<size_t>(size)) : std::string();
  }

 private:
  int fd_;
  int port_ = 0;
};

int MediaPort(const std::string &message) {
  const size_t at = message.find("m=audio ");
  return at == std::string::npos ? 0 : std::stoi(message.substr(at + 8));
}

class Call {
 public:
  Call(const std::string &line, const CallerScript &script)
      : script_(script),
        linePort_(std::stoi(line.substr(line.find(':') + 1))),
        uri_("sip:desk@" + line),
        callId_("caller-" + std::to_string(sip_.Port()) + "@127.0.0.1"),
        random_(177) {}

  CallerReport Run(Clock::time_point giveUp) {
    giveUp_ = giveUp;
    const std::optional<std::string> answer = Invite();
    if (!answer) return std::move(report_);
    report_.answered = true;
    report_.answer = *answer;
    to_ = Header(*answer, "To");
    const int media = MediaPort(*answer);
    sip_.SendTo(linePort_, Request("ACK", 1));
    Speak(media);
    if (!report_.hungUpOn) Bye();
    return std::move(report_);
  }

 private:
  std::string Request(const std::string &method, int sequence, const std::string &body = "") {
    std::ostringstream message;
    message << method << " " << uri_ << " SIP/2.0\r\n"
            << "Via: SIP/2.0/UDP 127.0.0.1:" << sip_.Port() << ";branch=z9hG4bK-" << callId_ << "-"
            << method << "\r\n"
            << "From: \"Carl Caller\" <sip:5550177@127.0.0.1:" << sip_.Port() << ">;tag=carl\r\n"
            << "To: " << (to_.empty() ? "<" + uri_ + ">" : to_) << "\r\n"
            << "Call-ID: " << callId_ << "\r\nCSeq: " << sequence << " " << method << "\r\n"
            << "Contact: <sip:5550177@127.0.0.1:" << sip_.Port() << ">\r\nMax-Forwards: 70\r\n";
    if (!body.empty()) message << "Content-Type: application/sdp\r\n";
    message << "Content-Length: " << body.size() << "\r\n\r\n" << body;
    return message.str();
  }

  // The line's final answer to a request sent (again and again) until it comes.
  std::optional<std::string> Transact(const std::string &request, const std::string &method) {
    Clock::time_point resend = Clock::now();
    while (Clock::now() < giveUp_) {
      if (Clock::now() >= resend) {
        sip_.SendTo(linePort_, request);
        resend = Clock::now() + kResend;
      }
      pollfd ready{sip_.Fd(), POLLIN, 0};
      if (poll(&ready, 1, 20) != 1) continue;
      const std::string message = sip_.Receive();
      if (message.rfind("SIP/2.0 ", 0) != 0 ||
          Header(message, "CSeq").find(method) == std::string::npos)
        continue;
      const int status = std::stoi(message.substr(8));
      if (status >= 200) {
        if (status >= 300) report_.trouble = method + " answered " + message.substr(8, 3);
        return status < 300 ? std::optional(message) : std::nullopt;
      }
    }
    report_.trouble = method + " went unanswered";
    return std::nullopt;
  }

  std::optional<std::string> Invite() {
    std::ostringstream sdp;
    sdp << "v=0\r\no=carl 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
        << "m=audio " << (script_.behindNat ? unheard_ : rtp_).Port()
        << " RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n";
    return Transact(Request("INVITE", 1, sdp.str()), "INVITE");
  }

  void Bye() { Transact(Request("BYE", 2), "BYE"); }

  // The next 20 ms of what the caller says, sample by sample as its microphone hears them:
  // the sound before the beep until the moment it heard the beep, the rest from then on.
  // None once it has said all.
  std::optional<std::vector<int16_t>> NextFrame() {
    const auto after = audio_test::Concat({script_.afterBeep, script_.last});
    if (afterBeepFrom_ && said_ >= *afterBeepFrom_ + after.size()) return std::nullopt;
    std::vector<int16_t> frame(kFrame, 0);
    for (int16_t &sample : frame) {
      const auto at = start_ + std::chrono::microseconds(said_ * 1000000 / audio_test::kRate);
      if (!afterBeepFrom_ && beepHeard_ && at >= *beepHeard_) afterBeepFrom_ = said_;
      const std::span<const int16_t> part = afterBeepFrom_ ? after : script_.beforeBeep;
      const size_t offset = said_ - afterBeepFrom_.value_or(0);
      if (offset < part.size()) sample = part[offset];
      ++said_;
    }
    return frame;
  }

  void SendFrame(int media, const std::vector<int16_t> &frame) {
    if (script_.newSourceAfterBeep && afterBeepFrom_ && !switched_) {
      switched_ = true;
      ssrc_ += 1;
      sequence_ -= 1000;
      timestamp_ += 123456;
    }
    if (std::bernoulli_distribution(script_.loss)(random_)) {
      ++report_.packetsLost;
    } else {
      std::vector<uint8_t> packet = {0x80, 0, static_cast<uint8_t>(sequence_ >> 8),
                                     static_cast<uint8_t>(sequence_)};
      for (uint32_t value : {timestamp_, ssrc_})
        for (int shift = 24; shift >= 0; shift -= 8)
          packet.push_back(static_cast<uint8_t>(value >> shift));
      const auto payload = sipnet::Encode(sipnet::Codec::Pcmu, frame);
      packet.insert(packet.end(), payload.begin(), payload.end());
      rtp_.SendTo(media, packet.data(), packet.size());
    }
    ++sequence_;
    timestamp_ += kFrame;
  }

  void Hear(const std::string &packet) {
    if (packet.size() <= 12) return;
    const size_t header = 12 + 4 * (static_cast<uint8_t>(packet[0]) & 0x0F);
    if (packet.size() <= header) return;
    const std::span bytes(reinterpret_cast<const uint8_t *>(packet.data()) + header,
                          packet.size() - header);
    const auto samples = sipnet::Decode(sipnet::Codec::Pcmu, bytes);
    const bool beep =
        audio_test::Rms(samples) > kBeepLevel && audio_test::Dominant(samples, audio_test::kBeepHz);
    if (beep && !beepHeard_) {
      beepHeard_ = Clock::now();
      report_.beepHeardAt = report_.heard.size();
    }
    report_.heard.insert(report_.heard.end(), samples.begin(), samples.end());
  }

  // A request from the line (its BYE) is answered; a repeated 200 OK is acknowledged again.
  void Serve(const std::string &message) {
    if (message.rfind("BYE ", 0) == 0) {
      std::ostringstream ok;
      ok << "SIP/2.0 200 OK\r\nVia: " << Header(message, "Via")
         << "\r\nFrom: " << Header(message, "From") << "\r\nTo: " << Header(message, "To")
         << "\r\nCall-ID: " << Header(message, "Call-ID") << "\r\nCSeq: " << Header(message, "CSeq")
         << "\r\nContent-Length: 0\r\n\r\n";
      sip_.SendTo(linePort_, ok.str());
      report_.hungUpOn = true;
    } else if (message.rfind("SIP/2.0 200", 0) == 0 &&
               Header(message, "CSeq").find("INVITE") != std::string::npos) {
      sip_.SendTo(linePort_, Request("ACK", 1));
    }
  }

  // Each 20 ms of sound goes out once it has been said, as a microphone's does.
  void Speak(int media) {
    start_ = Clock::now();
    Clock::time_point due = start_ + kFrameTime;
    while (!report_.hungUpOn && Clock::now() < giveUp_) {
      pollfd ready[2] = {{sip_.Fd(), POLLIN, 0}, {rtp_.Fd(), POLLIN, 0}};
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now());
      if (poll(ready, 2, static_cast<int>(std::max<int64_t>(0, wait.count()))) > 0) {
        if (ready[0].revents & POLLIN) Serve(sip_.Receive());
        if (ready[1].revents & POLLIN) Hear(rtp_.Receive());
        continue;
      }
      if (Clock::now() < due) continue;
      const auto frame = NextFrame();
      if (!frame) return;
      SendFrame(media, *frame);
      due += kFrameTime;
    }
  }

  const CallerScript &script_;
  const int linePort_;
  const std::string uri_;
  Socket sip_;
  Socket rtp_;
  Socket unheard_;  // the port a caller behind a NAT names
  const std::string callId_;
  std::string to_;
  std::mt19937 random_;
  Clock::time_point giveUp_;
  CallerReport report_;
  Clock::time_point start_;
  size_t said_ = 0;  // samples, from start_ on
  std::optional<Clock::time_point> beepHeard_;
  std::optional<size_t> afterBeepFrom_;
  bool switched_ = false;
  uint32_t ssrc_ = 0x5550177;
  uint16_t sequence_ = 20000;
  uint32_t timestamp_ = 160000;
};

}  // namespace

CallerReport CallAndSpeak(const std::string &line, const CallerScript &script, int seconds) {
  Call call(line, script);
  return call.Run(Clock::now() + std::chrono::seconds(seconds));
}

}  // namespace sip_test
