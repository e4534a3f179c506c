// The RTP media of one call, on the stack's thread: a socket beside the line's SIP address,
// received packets put in their place in time by the playout, and a 20 ms clock that sends
// one frame of the call's outgoing sound (or the touch tones' events in its place) and hands
// the call what it has heard per tick. Media goes where the peer's RTP comes from once it has come
// (symmetric RTP, for peers behind NAT).
#pragma once

#include "providers/sip/Re.h"

#include <cstdint>
#include <memory>

#include "providers/sip/CallAudio.h"
#include "providers/sip/CallDigits.h"
#include "providers/sip/Playout.h"
#include "providers/sip/SipConfig.h"
#include "providers/sip/SrtpGuard.h"

namespace sipnet {

class RtpStream {
 public:
  static constexpr uint32_t kFrameMs = 20;
  static constexpr size_t kFrameSamples = CallAudio::kRate * kFrameMs / 1000;

  // Binds a socket on `local`'s host; errno-style failure as std::system_error.
  RtpStream(const struct sa &local, std::shared_ptr<CallAudio> audio, CallDigits::Handlers digits);
  ~RtpStream();
  RtpStream(const RtpStream &) = delete;
  RtpStream &operator=(const RtpStream &) = delete;

  uint16_t LocalPort() const;
  // Starts the clock towards `remote` (as the SDP says) with the negotiated codec, and the
  // payload type of the peer's telephone-events when it takes them.
  void Start(const struct sa &remote, Codec codec, std::optional<uint8_t> events);
  // SRTP from now on with these keys; plain RTP again with none.
  void Protect(const SdesKey *ours, const SdesKey *theirs);
  CallDigits &Digits() { return digits_; }
  // Stops sending and hands the call everything received; the sample its sound ends at.
  int64_t Finish();

 private:
  static void OnPacket(const struct sa *src, const struct rtp_header *header, struct mbuf *packet,
                       void *arg);
  static void OnTick(void *arg);
  void SendFrame();
  void Send(bool marker, uint8_t payloadType, uint32_t timestamp, std::span<const uint8_t> payload);

  std::shared_ptr<CallAudio> audio_;
  CallDigits digits_;
  Playout playout_;
  struct rtp_sock *socket_ = nullptr;
  std::unique_ptr<SrtpGuard> srtp_;  // goes before the socket
  struct tmr clock_;
  struct sa remote_;
  struct sa announced_;   // where the peer's SDP says its RTP is
  bool latched_ = false;  // remote_ is where the peer's RTP comes from
  Codec codec_ = Codec::Pcmu;
  bool started_ = false;
  bool marker_ = true;
  uint32_t timestamp_ = 0;
  uint64_t firstTick_ = 0;
  uint64_t ticks_ = 0;
};

}  // namespace sipnet
