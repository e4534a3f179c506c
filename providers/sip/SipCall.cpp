#include "providers/sip/SipCall.h"

#include <strings.h>

#include <cmath>
#include <cstring>
#include <system_error>

#include "Clock.h"
#include "providers/sip/DtmfRelay.h"
#include "providers/sip/G711.h"
#include "providers/sip/SipLine.h"
#include "providers/sip/TelephoneEvent.h"
#include "simulator/Exchange.h"

namespace sipnet {
namespace {

constexpr uint64_t kRingCadenceMs = 3000;
// A peer's last RTP packets may reach us just after its BYE.
constexpr uint64_t kLastPacketsMs = 40;
constexpr uint64_t kLatePollMs = 10;
constexpr const char *kSdp = "application/sdp";
constexpr const char *kPlain = "RTP/AVP";
constexpr const char *kSecure = "RTP/SAVP";

std::string Status(const struct sip_msg *message, int error) {
  if (message != nullptr) return std::to_string(message->scode) + " " + Text(message->reason);
  if (error == ECONNRESET) return "the peer hung up";
  return error != 0 ? std::strerror(error) : "ended";
}

}  // namespace

SipCall::SipCall(SipLine &line, DWORD deviceId, bool outgoing)
    : line_(line), deviceId_(deviceId), outgoing_(outgoing) {
  tmr_init(&ringer_);
  tmr_init(&hangUp_);
  rtp_ = std::make_unique<RtpStream>(line.Local(), audio_, DigitHandlers());
  const MediaEncryption encryption = line.Config().mediaEncryption;
  int error = sdp_session_alloc(&sdp_, &line.Advertised());
  if (error == 0) {
    error = sdp_media_add(&media_, sdp_, "audio", rtp_->LocalPort(),
                          encryption == MediaEncryption::SrtpMandatory ? kSecure : kPlain);
  }
  // Optional SRTP offers its key with plain RTP and answers either.
  if (error == 0 && encryption == MediaEncryption::Srtp)
    error = sdp_media_set_alt_protos(media_, 2, kPlain, kSecure);
  if (error == 0 && encryption != MediaEncryption::None) {
    ourKey_ = NewSdesKey();
    error = sdp_media_set_lattr(media_, true, "crypto", "%s", CryptoAttribute(ourKey_).c_str());
  }
  for (Codec codec : line.Config().codecs) {
    if (error != 0) break;
    const std::string payloadType = std::to_string(PayloadType(codec));
    error = sdp_format_add(nullptr, media_, false, payloadType.c_str(), CodecName(codec),
                           CallAudio::kRate, 1, nullptr, nullptr, nullptr, false, nullptr);
  }
  if (error == 0) {
    const std::string payloadType = std::to_string(kEventPayloadType);
    error =
        sdp_format_add(nullptr, media_, false, payloadType.c_str(), kEventName, CallAudio::kRate, 1,
                       nullptr, nullptr, nullptr, false, "%s", kEventRange);
  }
  if (error != 0) {
    mem_deref(sdp_);
    throw std::system_error(error, std::generic_category(), "SDP session");
  }
}

SipCall::~SipCall() {
  tmr_cancel(&ringer_);
  tmr_cancel(&hangUp_);
  // The line carries nothing more; its wave-in device keeps what was heard until now.
  audio_->End(audio_->HeardUntil());
  mem_deref(session_);
  rtp_.reset();
  mem_deref(sdp_);
}

uint16_t SipCall::Offer(const struct sip_msg *invite) {
  if (sdp_decode(sdp_, invite->mb, true) != 0 || !NegotiateMedia(true)) return 488;
  const std::string user = line_.ContactUser();
  const int error = sipsess_accept(&session_, line_.Sessions(), invite, 180, "Ringing",
                                   user.c_str(), kSdp, nullptr, nullptr, nullptr, false, OnOffer,
                                   OnAnswer, OnEstablished, OnInfo, nullptr, OnClose, this, "");
  if (error != 0) return 500;
  sim::IncomingCall call;
  call.caller = {Text(invite->from.dname), Text(invite->from.uri.user)};
  call.called = {"", Text(invite->to.uri.user)};
  id_ = line_.Exchange().OfferCall(deviceId_, call);
  // As a modem reports it: the caller ID follows the offer, before the first ring.
  line_.Exchange().SetCallerId(id_, call.caller);
  Say("offered by " + Text(invite->from.auri));
  OnRing(this);
  return 0;
}

void SipCall::OnRing(void *arg) {
  auto *call = static_cast<SipCall *>(arg);
  call->line_.Exchange().Ring(call->deviceId_, ++call->rings_);
  tmr_start(&call->ringer_, kRingCadenceMs, OnRing, call);
}

void SipCall::Answer() {
  if (answered_ || outgoing_ || session_ == nullptr) return;
  answered_ = true;
  tmr_cancel(&ringer_);
  struct mbuf *answer = nullptr;
  int error = sdp_encode(&answer, sdp_, false);
  if (error == 0) error = sipsess_answer(session_, 200, "OK", answer, "");
  mem_deref(answer);
  if (error != 0) {
    Say(std::string("200 OK not sent: ") + std::strerror(error));
    line_.Exchange().HangUp(id_);
  }
}

bool SipCall::Place(sim::CallId id, const std::string &target) {
  id_ = id;
  const std::string uri =
      line_.OverTransport(target.rfind("sip:", 0) == 0 ? target : "sip:" + target);
  const std::string from = FromUri();
  const std::string user = line_.ContactUser();
  struct mbuf *offer = nullptr;
  int error = sdp_encode(&offer, sdp_, true);
  if (error == 0) {
    error = sipsess_connect(&session_, line_.Sessions(), uri.c_str(), nullptr, from.c_str(),
                            user.c_str(), nullptr, 0, kSdp, offer, SipLine::OnAuth, &line_, false,
                            OnOffer, OnAnswer, OnProgress, OnEstablished, OnInfo, nullptr, OnClose,
                            this, "");
  }
  mem_deref(offer);
  Say("to " + uri + (error == 0 ? "" : std::string(" not placed: ") + std::strerror(error)));
  return error == 0;
}

void SipCall::Say(const std::string &text) const {
  line_.Say("call " + std::to_string(id_) + " " + text);
}

std::string SipCall::FromUri() const {
  char host[64] = "";
  re_snprintf(host, sizeof host, "%J", &line_.Local());
  return "sip:" + line_.Config().user + "@" + host;
}

bool SipCall::NegotiateMedia(bool theirOffer) {
  // First, so that an offer refused for want of keys says so, whatever else it lacks.
  if (!NegotiateKeys(theirOffer)) return false;
  // The first of the offer's codecs that is ours, past its telephone-events wherever they are.
  const struct sdp_format *format = nullptr;
  for (const struct le *at = list_head(sdp_media_format_lst(media_, false));
       at != nullptr && format == nullptr; at = at->next) {
    const auto *offered = static_cast<const struct sdp_format *>(at->data);
    const bool event = offered->name != nullptr && strcasecmp(offered->name, kEventName) == 0;
    if (offered->sup && !event) format = offered;
  }
  const struct sa *remote = sdp_media_raddr(media_);
  if (format == nullptr || !sa_isset(remote, SA_ALL)) return false;
  // Our RTP socket has the line's address family: sound for another would never arrive.
  if (sa_af(remote) != sa_af(&line_.Local())) return false;
  // An offer may name a static payload type by its number alone (no rtpmap).
  const bool pcma = format->name != nullptr ? strcasecmp(format->name, "PCMA") == 0
                                            : format->pt == PayloadType(Codec::Pcma);
  codec_ = pcma ? Codec::Pcma : Codec::Pcmu;
  const struct sdp_format *events = sdp_media_rformat(media_, kEventName);
  events_ = events != nullptr && events->pt >= 0 && events->pt < 128
                ? std::optional<uint8_t>(static_cast<uint8_t>(events->pt))
                : std::nullopt;
  return true;
}

bool SipCall::NegotiateKeys(bool theirOffer) {
  const MediaEncryption wanted = line_.Config().mediaEncryption;
  if (wanted == MediaEncryption::None) return true;
  // Their answer holds the key for the tag of ours; their offer, any number of keys to choose.
  const std::optional<SdesKey> theirs =
      PeerKey(media_, theirOffer ? std::nullopt : std::optional<uint32_t>(ourKey_.tag));
  if (!theirs) {
    if (wanted == MediaEncryption::SrtpMandatory) {
      Say("refused: the peer's SDP has no SRTP key the line can use");
      return false;
    }
    if (theirOffer) sdp_media_del_lattr(media_, "crypto");
    rtp_->Protect(nullptr, nullptr);
    peerKey_.reset();
    return true;
  }
  if (theirOffer) {
    ourKey_.tag = theirs->tag;
    ourKey_.suite = theirs->suite;
    if (sdp_media_set_lattr(media_, true, "crypto", "%s", CryptoAttribute(ourKey_).c_str()) != 0)
      return false;
  }
  // A new offer with the same keys (a hold, say) goes on with the packets' SRTP state as it is.
  if (peerKey_ && peerKey_->key == theirs->key && peerKey_->suite == theirs->suite) return true;
  peerKey_ = theirs;
  try {
    rtp_->Protect(&ourKey_, &*theirs);
  } catch (const std::system_error &error) {
    Say(std::string("refused: ") + error.what());
    return false;
  }
  return true;
}

void SipCall::StartMedia() {
  rtp_->Start(*sdp_media_raddr(media_), codec_, events_);
}

CallDigits::Handlers SipCall::DigitHandlers() {
  return {[this](char digit, bool ended) { DigitHeard(digit, ended); },
          [this] { line_.Exchange().DigitsPlayed(id_); }};
}

void SipCall::DigitHeard(char digit, bool ended) {
  line_.Exchange().DigitDetected(id_, digit, ended ? LINEDIGITMODE_DTMFEND : LINEDIGITMODE_DTMF);
}

void SipCall::SendDigits(const std::string &digits, uint32_t milliseconds) {
  rtp_->Digits().Send(digits, milliseconds, sim::kDigitPauseMs);
}

// Digits in INFO requests; other bodies are refused with the type we take, as for an INFO
// of a package we do not know.
void SipCall::OnInfo(struct sip *stack, const struct sip_msg *message, void *arg) {
  auto *call = static_cast<SipCall *>(arg);
  const bool relay = msg_ctype_cmp(&message->ctyp, kDtmfRelayType, kDtmfRelaySubtype);
  if (!relay && mbuf_get_left(message->mb) > 0) {
    (void)sip_replyf(stack, message, 415, "Unsupported Media Type",
                     "Accept: %s/%s\r\nContent-Length: 0\r\n\r\n", kDtmfRelayType,
                     kDtmfRelaySubtype);
    return;
  }
  const std::optional<char> digit =
      relay ? ParseDtmfRelay({reinterpret_cast<const char *>(mbuf_buf(message->mb)),
                              mbuf_get_left(message->mb)})
            : std::nullopt;
  if (relay && !digit) {
    (void)sip_reply(stack, message, 400, "Bad Request");
    return;
  }
  (void)sip_reply(stack, message, 200, "OK");
  if (!digit) return;
  call->DigitHeard(*digit, false);
  call->DigitHeard(*digit, true);
}

int SipCall::OnOffer(struct mbuf **answer, const struct sip_msg *message, void *arg) {
  auto *call = static_cast<SipCall *>(arg);
  int error = sdp_decode(call->sdp_, message->mb, true);
  if (error == 0 && !call->NegotiateMedia(true)) error = EPROTO;
  if (error == 0) error = sdp_encode(answer, call->sdp_, false);
  if (error == 0) call->StartMedia();
  return error;
}

bool SipCall::Owns(const struct sip_msg *request) const {
  return session_ != nullptr && sip_dialog_cmp(sipsess_dialog(session_), request);
}

void SipCall::Update(const struct sip_msg *update, struct sip *stack) {
  const std::string contact = "Contact: <" + FromUri() + ">\r\n";
  if (mbuf_get_left(update->mb) == 0) {
    (void)sip_treplyf(nullptr, nullptr, stack, update, true, 200, "OK",
                      "%sContent-Length: 0\r\n\r\n", contact.c_str());
    return;
  }
  struct mbuf *answer = nullptr;
  if (OnOffer(&answer, update, this) != 0) {
    mem_deref(answer);
    Say("UPDATE refused: 488");
    (void)sip_treply(nullptr, stack, update, 488, "Not Acceptable Here");
    return;
  }
  (void)sip_treplyf(nullptr, nullptr, stack, update, true, 200, "OK",
                    "%sContent-Type: %s\r\nContent-Length: %zu\r\n\r\n%b", contact.c_str(), kSdp,
                    mbuf_get_left(answer), mbuf_buf(answer), mbuf_get_left(answer));
  mem_deref(answer);
}

int SipCall::OnAnswer(const struct sip_msg *message, void *arg) {
  auto *call = static_cast<SipCall *>(arg);
  const int error = sdp_decode(call->sdp_, message->mb, false);
  if (error != 0) return error;
  return call->NegotiateMedia(false) ? 0 : EPROTO;
}

void SipCall::OnProgress(const struct sip_msg *message, void *arg) {
  auto *call = static_cast<SipCall *>(arg);
  if (message->scode == 180 || message->scode == 183) call->line_.Exchange().Ringback(call->id_);
}

void SipCall::OnEstablished(const struct sip_msg * /*message*/, void *arg) {
  auto *call = static_cast<SipCall *>(arg);
  call->StartMedia();
  call->line_.Routes().Connect(call->deviceId_, call->audio_);
  sim::Exchange &exchange = call->line_.Exchange();
  if (call->outgoing_) {
    exchange.Answer(call->id_);
  } else {
    exchange.Connect(call->id_);
  }
  call->Say(std::string("connected (") + CodecName(call->codec_) +
            (call->peerKey_ ? ", SRTP)" : ")"));
}

void SipCall::OnClose(int error, const struct sip_msg *message, void *arg) {
  static_cast<SipCall *>(arg)->Closed(error, message);
}

void SipCall::Closed(int error, const struct sip_msg *message) {
  tmr_cancel(&ringer_);
  Say("ended by the network: " + Status(message, error));
  const bool busy = message != nullptr && (message->scode == 486 || message->scode == 600);
  if (outgoing_ && busy) {
    line_.Exchange().Busy(id_);
    line_.Forget(id_);
    return;
  }
  // The message keeps the caller's last words: the line reports the hang-up once they are in.
  tmr_start(&hangUp_, kLastPacketsMs, OnLastPackets, this);
}

void SipCall::OnLastPackets(void *arg) {
  auto *call = static_cast<SipCall *>(arg);
  call->soundEnd_ = call->rtp_->Finish();
  call->audio_->End(call->soundEnd_);
  OnHeard(call);
}

void SipCall::OnHeard(void *arg) {
  auto *call = static_cast<SipCall *>(arg);
  // The wave-in device takes the line's sound that long after its time: once it has taken all
  // up to the last word, the hang-up is reported and its reset keeps exactly that.
  const double heard = call->soundEnd_ * 1000.0 / CallAudio::kRate + CallAudio::kArrivalMs;
  const double left = heard - win32::VirtualNow();
  if (left > 0) {
    tmr_start(&call->hangUp_, static_cast<uint64_t>(std::ceil(left)), OnHeard, call);
    return;
  }
  // A device running late has yet to hand back the buffers before the one with the last word.
  if (!call->audio_->TakenBefore(call->soundEnd_, win32::VirtualNow())) {
    tmr_start(&call->hangUp_, kLatePollMs, OnHeard, call);
    return;
  }
  call->line_.Exchange().HangUp(call->id_);
  call->line_.Forget(call->id_);
}

}  // namespace sipnet
