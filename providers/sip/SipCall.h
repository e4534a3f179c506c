// One call of a SIP line, on the stack's thread: its session, the SDP offer and answer, its RTP
// stream, its touch tones (RFC 4733 events when the peer takes them, SIP INFO dtmf-relay
// received too) and, while it is offered, the rings. What the peer does reaches the exchange
// through its far-end methods; destroying the call ends the session as its state asks (BYE once it
// is up, 486 while it is offered, CANCEL while it is placed).
#pragma once

#include "providers/sip/Re.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "providers/sip/CallAudio.h"
#include "providers/sip/RtpStream.h"
#include "providers/sip/Sdes.h"
#include "simulator/Call.h"

namespace sipnet {

class SipLine;

class SipCall {
 public:
  // On the line's device `deviceId`; std::system_error when no RTP port is free.
  SipCall(SipLine &line, DWORD deviceId, bool outgoing);
  ~SipCall();
  SipCall(const SipCall &) = delete;
  SipCall &operator=(const SipCall &) = delete;

  // An INVITE: offered to the applications and answered 180 Ringing (0); or the SIP status
  // that refuses it (488 when no codec is shared, or it has no SRTP keys the line insists on).
  uint16_t Offer(const struct sip_msg *invite);
  // The application answered: 200 OK with the SDP answer; CONNECTED follows the ACK.
  void Answer();
  // Calls `target` (a SIP URI, or user@host) for the exchange's call `id`; false when the
  // request cannot be sent.
  bool Place(sim::CallId id, const std::string &target);

  // Whether `request` is of this call's dialog.
  bool Owns(const struct sip_msg *request) const;
  // An UPDATE in the call, answered as a re-INVITE is: 200 with the SDP answer to its offer
  // (or without one when it offers nothing), 488 when no codec is shared.
  void Update(const struct sip_msg *update, struct sip *stack);

  sim::CallId Id() const { return id_; }
  const std::shared_ptr<CallAudio> &Audio() const { return audio_; }
  void Beep(uint32_t milliseconds, double askedAt) { audio_->Beep(milliseconds, askedAt); }
  // See sim::NetworkFarEnd::GeneratingDigits.
  void SendDigits(const std::string &digits, uint32_t milliseconds);

 private:
  static int OnOffer(struct mbuf **answer, const struct sip_msg *message, void *arg);
  static int OnAnswer(const struct sip_msg *message, void *arg);
  static void OnProgress(const struct sip_msg *message, void *arg);
  static void OnEstablished(const struct sip_msg *message, void *arg);
  static void OnClose(int error, const struct sip_msg *message, void *arg);
  static void OnInfo(struct sip *stack, const struct sip_msg *message, void *arg);
  static void OnRing(void *arg);
  // The far end's hang-up, reported once what it sent before has arrived and the line's wave-in
  // device has taken it.
  static void OnLastPackets(void *arg);
  static void OnHeard(void *arg);

  // After the peer's SDP (an offer of theirs, or their answer to ours): whether the call can go on.
  bool NegotiateMedia(bool theirOffer);
  bool NegotiateKeys(bool theirOffer);
  void StartMedia();
  CallDigits::Handlers DigitHandlers();
  void DigitHeard(char digit, bool ended);
  void Closed(int error, const struct sip_msg *message);
  void Say(const std::string &text) const;
  std::string FromUri() const;

  SipLine &line_;
  const DWORD deviceId_;
  const bool outgoing_;
  sim::CallId id_ = 0;
  std::shared_ptr<CallAudio> audio_ = std::make_shared<CallAudio>();
  std::unique_ptr<RtpStream> rtp_;
  struct sipsess *session_ = nullptr;
  struct sdp_session *sdp_ = nullptr;
  struct sdp_media *media_ = nullptr;
  Codec codec_ = Codec::Pcmu;
  SdesKey ourKey_;                  // offered or answered when the line encrypts its media
  std::optional<SdesKey> peerKey_;  // while the media is encrypted
  std::optional<uint8_t> events_;  // the peer's telephone-event payload type
  struct tmr ringer_;
  struct tmr hangUp_;
  int64_t soundEnd_ = 0;  // the sample the far end's sound ended at, once it hung up
  DWORD rings_ = 0;
  bool answered_ = false;
};

}  // namespace sipnet
