#include "providers/sip/RtpStream.h"

#include <system_error>

#include "providers/sip/G711.h"

namespace sipnet {
namespace {

constexpr uint16_t kFirstPort = 20000;
constexpr uint16_t kLastPort = 29998;

}  // namespace

RtpStream::RtpStream(const struct sa &local, std::shared_ptr<CallAudio> audio,
                     CallDigits::Handlers digits)
    : audio_(std::move(audio)), digits_(std::move(digits)), playout_(audio_) {
  playout_.Listen([this](std::span<const int16_t> sound) { digits_.Heard(sound); });
  tmr_init(&clock_);
  sa_init(&remote_, AF_UNSPEC);
  sa_init(&announced_, AF_UNSPEC);
  struct sa host = local;
  sa_set_port(&host, 0);
  const int error = rtp_listen(&socket_, IPPROTO_UDP, &host, kFirstPort, kLastPort, false, OnPacket,
                               nullptr, this);
  if (error != 0) throw std::system_error(error, std::generic_category(), "RTP socket");
}

RtpStream::~RtpStream() {
  tmr_cancel(&clock_);
  srtp_.reset();
  mem_deref(socket_);
}

void RtpStream::Protect(const SdesKey *ours, const SdesKey *theirs) {
  srtp_.reset();
  if (ours != nullptr && theirs != nullptr)
    srtp_ = std::make_unique<SrtpGuard>(static_cast<struct udp_sock *>(rtp_sock(socket_)), *ours,
                                        *theirs);
}

uint16_t RtpStream::LocalPort() const {
  return sa_port(rtp_local(socket_));
}

void RtpStream::Start(const struct sa &remote, Codec codec, std::optional<uint8_t> events) {
  // A new offer or answer names the peer's address afresh; its RTP is followed again once heard.
  if (!latched_ || !sa_cmp(&remote, &announced_, SA_ALL)) {
    remote_ = remote;
    latched_ = false;
  }
  announced_ = remote;
  codec_ = codec;
  digits_.UseEvents(events);
  if (started_) return;
  started_ = true;
  firstTick_ = tmr_jiffies();
  tmr_start(&clock_, kFrameMs, OnTick, this);
}

int64_t RtpStream::Finish() {
  tmr_cancel(&clock_);
  return playout_.Finish(CallAudio::SampleNow());
}

void RtpStream::OnPacket(const struct sa *src, const struct rtp_header *header, struct mbuf *packet,
                         void *arg) {
  auto *stream = static_cast<RtpStream *>(arg);
  if (header->pt == stream->digits_.EventPayloadType()) {
    stream->digits_.EventArrived(header->ssrc, header->ts,
                                 {mbuf_buf(packet), mbuf_get_left(packet)});
    return;
  }
  if (header->pt != PayloadType(stream->codec_) || mbuf_get_left(packet) == 0) return;
  // The first packet of the call's sound says where the peer is: behind a NAT it is not where
  // its SDP says. Later ones cannot move it, so that a stranger's packets cannot take the call.
  // Port 0 is nowhere to send to (a packet so marked comes from a tool, not a telephone).
  if (stream->started_ && !stream->latched_ && sa_port(src) != 0) {
    stream->remote_ = *src;
    stream->latched_ = true;
  }
  // A peer may send longer or shorter packets than ours.
  stream->playout_.Arrived({header->ssrc, header->seq, header->ts,
                            Decode(stream->codec_, {mbuf_buf(packet), mbuf_get_left(packet)})},
                           CallAudio::SampleNow());
}

void RtpStream::OnTick(void *arg) {
  auto *stream = static_cast<RtpStream *>(arg);
  stream->SendFrame();
  stream->playout_.Advance(CallAudio::SampleNow());
  // Paced from the first tick, so that the sender keeps RTP time however late a tick runs.
  ++stream->ticks_;
  const uint64_t due = stream->firstTick_ + (stream->ticks_ + 1) * kFrameMs;
  const uint64_t now = tmr_jiffies();
  tmr_start(&stream->clock_, due > now ? due - now : 0, OnTick, stream);
}

void RtpStream::SendFrame() {
  std::vector<int16_t> sound = audio_->NextToSend(kFrameSamples);
  const std::vector<EventSender::Packet> events = digits_.Frame(timestamp_, sound);
  for (const EventSender::Packet &event : events) {
    Send(event.marker, *digits_.EventPayloadType(), event.timestamp, EncodeEvent(event.event));
  }
  if (events.empty()) {
    Send(marker_, static_cast<uint8_t>(PayloadType(codec_)), timestamp_, Encode(codec_, sound));
    marker_ = false;
  }
  timestamp_ += kFrameSamples;
}

void RtpStream::Send(bool marker, uint8_t payloadType, uint32_t timestamp,
                     std::span<const uint8_t> payload) {
  struct mbuf *packet = mbuf_alloc(RTP_HEADER_SIZE + payload.size());
  if (packet == nullptr) return;
  packet->pos = RTP_HEADER_SIZE;
  if (mbuf_write_mem(packet, payload.data(), payload.size()) == 0) {
    packet->pos = RTP_HEADER_SIZE;
    (void)rtp_send(socket_, &remote_, false, marker, payloadType, timestamp, packet);
  }
  mem_deref(packet);
}

}  // namespace sipnet
