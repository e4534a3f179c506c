#include "tests/sip/Caller.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <sstream>

#include "dtmf/Generator.h"
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
constexpr uint8_t kEventType = 101;

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
  std::string Request(const std::string &method, int sequence, const std::string &body = "",
                      const std::string &type = "application/sdp") {
    std::ostringstream message;
    message << method << " " << uri_ << " SIP/2.0\r\n"
            << "Via: SIP/2.0/UDP 127.0.0.1:" << sip_.Port() << ";branch=z9hG4bK-" << callId_ << "-"
            << method << "\r\n"
            << "From: \"Carl Caller\" <sip:5550177@127.0.0.1:" << sip_.Port() << ">;tag=carl\r\n"
            << "To: " << (to_.empty() ? "<" + uri_ + ">" : to_) << "\r\n"
            << "Call-ID: " << callId_ << "\r\nCSeq: " << sequence << " " << method << "\r\n"
            << "Contact: <sip:5550177@127.0.0.1:" << sip_.Port() << ">\r\nMax-Forwards: 70\r\n";
    if (!body.empty()) message << "Content-Type: " << type << "\r\n";
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
      lastStatus_ = status;
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
        << "m=audio " << (script_.behindNat ? unheard_ : rtp_).Port() << " RTP/AVP "
        << sipnet::PayloadType(script_.codec) << (script_.offerEvents ? " 101" : "")
        << "\r\na=rtpmap:" << sipnet::PayloadType(script_.codec) << " "
        << sipnet::CodecName(script_.codec) << "/8000\r\n";
    if (script_.offerEvents) sdp << "a=rtpmap:101 telephone-event/8000\r\na=fmtp:101 0-15\r\n";
    return Transact(Request("INVITE", 1, sdp.str()), "INVITE");
  }

  void Bye() { Transact(Request("BYE", ++sequence2_), "BYE"); }

  void SendInfos() {
    for (const auto &[type, body] : script_.infos) {
      const int sequence = ++sequence2_;
      lastStatus_ = 0;
      Transact(Request("INFO", sequence, body, type), "INFO");
      report_.infoAnswers.push_back(lastStatus_);
      report_.trouble.clear();
    }
  }

  // The keys' event packets, by the frame (from the first key's) they go out with.
  void PlanEvents() {
    size_t frame = frames_;
    const auto at = [&](size_t f) {
      return timestamp_ + static_cast<uint32_t>((f - frames_) * kFrame);
    };
    const auto plan = [&](size_t f, bool marker, uint32_t timestamp, sipnet::TelephoneEvent event) {
      for (int copy = 0; copy < script_.copies; ++copy)
        planned_.emplace(f, Event(marker, timestamp, event));
    };
    for (size_t key = 0; key < script_.keys.size(); ++key) {
      const uint8_t code = *sipnet::EventOfDigit(script_.keys[key]);
      if (script_.floodPerFrame > 0) {
        const size_t f = frame + key / script_.floodPerFrame;
        plan(f, true, at(f) + static_cast<uint32_t>(key % script_.floodPerFrame),
             {code, true, 10, 40});
        continue;
      }
      const uint32_t toneFrames = (script_.toneMs + 19) / 20;
      const auto whole = static_cast<uint16_t>(script_.toneMs * 8);
      for (uint32_t f = 0; f + 1 < toneFrames; ++f)
        plan(frame + f, f == 0, at(frame),
             {code, false, 10, static_cast<uint16_t>((f + 1) * kFrame)});
      for (int end = 0; end < script_.endPackets; ++end)
        plan(frame + toneFrames - 1, toneFrames == 1 && end == 0, at(frame),
             {code, true, 10, whole});
      frame += toneFrames + (script_.gapMs + 19) / 20;
    }
  }

  std::vector<uint8_t> Event(bool marker, uint32_t timestamp,
                             const sipnet::TelephoneEvent &event) const {
    std::vector<uint8_t> packet = RtpHeader(marker, kEventType, 0, timestamp);
    const auto payload = sipnet::EncodeEvent(event);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
  }

  std::vector<uint8_t> RtpHeader(bool marker, uint8_t type, uint16_t sequence,
                                 uint32_t timestamp) const {
    std::vector<uint8_t> packet = {0x80, static_cast<uint8_t>((marker ? 0x80 : 0) | type),
                                   static_cast<uint8_t>(sequence >> 8),
                                   static_cast<uint8_t>(sequence)};
    for (uint32_t value : {timestamp, ssrc_})
      for (int shift = 24; shift >= 0; shift -= 8)
        packet.push_back(static_cast<uint8_t>(value >> shift));
    return packet;
  }

  // Once the script is ready for them: its INFO requests and its keys.
  void PressKeys() {
    if (keysStarted_ || !script_.ready()) return;
    keysStarted_ = true;
    SendInfos();
    if (script_.keys.empty()) return;
    if (script_.offerEvents) {
      PlanEvents();
    } else {
      tones_ = std::make_unique<dtmf::Generator>(dtmf::Timing{script_.toneMs, script_.gapMs});
      tones_->Queue(script_.keys);
    }
  }

  // The planned event packets of this frame, each with the next sequence number.
  void SendEvents(int media) {
    const auto [first, last] = planned_.equal_range(frames_);
    for (auto at = first; at != last; ++at) {
      std::vector<uint8_t> packet = at->second;
      packet[2] = static_cast<uint8_t>(sequence_ >> 8);
      packet[3] = static_cast<uint8_t>(sequence_);
      ++sequence_;
      rtp_.SendTo(media, packet.data(), packet.size());
    }
    planned_.erase(first, last);
    if (!report_.keysSent && keysStarted_ && planned_.empty() &&
        (tones_ == nullptr || tones_->Done())) {
      report_.keysSent = true;
      script_.sentAll();
    }
  }

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
    std::vector<int16_t> sound = frame;
    if (tones_ != nullptr) tones_->Render(sound);
    if (std::bernoulli_distribution(script_.loss)(random_)) {
      ++report_.packetsLost;
    } else {
      std::vector<uint8_t> packet = RtpHeader(
          false, static_cast<uint8_t>(sipnet::PayloadType(script_.codec)), sequence_, timestamp_);
      const auto payload = sipnet::Encode(script_.codec, sound);
      packet.insert(packet.end(), payload.begin(), payload.end());
      rtp_.SendTo(media, packet.data(), packet.size());
    }
    ++sequence_;
    SendEvents(media);
    timestamp_ += kFrame;
    ++frames_;
  }

  void Hear(const std::string &packet) {
    if (packet.size() <= 12) return;
    const size_t header = 12 + 4 * (static_cast<uint8_t>(packet[0]) & 0x0F);
    if (packet.size() <= header) return;
    const std::span bytes(reinterpret_cast<const uint8_t *>(packet.data()) + header,
                          packet.size() - header);
    if ((static_cast<uint8_t>(packet[1]) & 0x7F) == kEventType) {
      uint32_t timestamp = 0;
      for (size_t at = 4; at < 8; ++at)
        timestamp = timestamp << 8 | static_cast<uint8_t>(packet[at]);
      if (const auto event = sipnet::ParseEvent(bytes))
        report_.events.push_back(
            {(static_cast<uint8_t>(packet[1]) & 0x80) != 0, timestamp, *event});
      return;
    }
    const auto samples = sipnet::Decode(script_.codec, bytes);
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
      PressKeys();
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
  size_t frames_ = 0;   // sent so far
  int lastStatus_ = 0;  // of the latest answer to a request
  int sequence2_ = 1;   // CSeq of the requests after the INVITE
  bool keysStarted_ = false;
  std::multimap<size_t, std::vector<uint8_t>> planned_;  // event packets by frame
  std::unique_ptr<dtmf::Generator> tones_;
};

}  // namespace

CallerReport CallAndSpeak(const std::string &line, const CallerScript &script, int seconds) {
  Call call(line, script);
  return call.Run(Clock::now() + std::chrono::seconds(seconds));
}

}  // namespace sip_test
