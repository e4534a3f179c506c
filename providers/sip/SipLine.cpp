#include "providers/sip/SipLine.h"

#include <cstring>
#include <system_error>

#include "simulator/Exchange.h"

namespace sipnet {
namespace {

constexpr uint32_t kRegistrationSeconds = 600;
constexpr const char *kAllow = "INVITE, ACK, BYE, CANCEL, OPTIONS, UPDATE";

const char *ReasonOf(uint16_t status) {
  switch (status) {
    case 480:
      return "Temporarily Unavailable";
    case 486:
      return "Busy Here";
    case 488:
      return "Not Acceptable Here";
    case 503:
      return "Service Unavailable";
    default:
      return "Server Internal Error";
  }
}

std::string Uri(const struct sip_msg *message) {
  return Text(message->from.auri);
}

const char *TransportParameter(Transport transport) {
  switch (transport) {
    case Transport::Tcp:
      return ";transport=tcp";
    case Transport::Tls:
      return ";transport=tls";
    case Transport::Udp:
      break;
  }
  return "";
}

}  // namespace

SipLine::SipLine(const LineConfig &config, DWORD firstDevice, SipEndpoint &endpoint,
                 LineServices services)
    : config_(config),
      firstDevice_(firstDevice),
      endpoint_(endpoint),
      services_(std::move(services)),
      channels_(config.channels),
      screen_(config, [this](const std::string &text) { Say(text); }) {
  for (DWORD channel = 0; channel < channels_.size(); ++channel)
    channels_[channel].deviceId = firstDevice_ + channel;
  advertised_ = endpoint_.Local();
  if (!config_.publicAddress.empty())
    (void)sa_set_str(&advertised_, config_.publicAddress.c_str(), sa_port(&endpoint_.Local()));
  endpoint_.Add(*this);
  Say("listening on " + config_.listen);
  if (!config_.registrar.empty()) Register();
}

SipLine::~SipLine() {
  channels_.clear();
  mem_deref(registrar_);
}

void SipLine::Say(const std::string &text) const {
  services_.log.Write("line '" + config_.name + "': " + text);
}

std::string SipLine::ContactUser() const {
  if (config_.publicAddress.empty()) return config_.user;
  char host[80] = "";
  re_snprintf(host, sizeof host, "%J", &advertised_);
  return "sip:" + config_.user + "@" + host + TransportParameter(config_.transport);
}

std::string SipLine::OverTransport(const std::string &uri) const {
  if (uri.find(";transport=") != std::string::npos) return uri;
  return uri + TransportParameter(config_.transport);
}

void SipLine::Register() {
  struct pl registrar;
  struct uri uri;
  pl_set_str(&registrar, config_.registrar.c_str());
  (void)uri_decode(&uri, &registrar);
  const std::string aor = "sip:" + config_.user + "@" + std::string(uri.host.p, uri.host.l);
  registration_ = Registration::Pending;
  const int error =
      sipreg_register(&registrar_, endpoint_.Stack(), OverTransport(config_.registrar).c_str(),
                      aor.c_str(), nullptr, aor.c_str(), kRegistrationSeconds, config_.user.c_str(),
                      nullptr, 0, 0, OnAuth, this, false, OnRegistered, this, nullptr, "");
  if (error != 0) {
    registration_ = Registration::Failed;
    Say("registration with " + config_.registrar + " not sent: " + std::strerror(error));
  }
}

int SipLine::OnAuth(char **user, char **password, const char * /*realm*/, void *arg) {
  const auto *line = static_cast<SipLine *>(arg);
  int error = str_dup(user, line->config_.user.c_str());
  if (error == 0) error = str_dup(password, line->config_.password.c_str());
  return error;
}

void SipLine::OnRegistered(int error, const struct sip_msg *message, void *arg) {
  auto *line = static_cast<SipLine *>(arg);
  const bool accepted = error == 0 && message != nullptr && message->scode < 300;
  const Registration was = line->registration_;
  if (accepted) {
    if (was != Registration::Registered) {
      line->Say((was == Registration::Lost ? "registered again with " : "registered with ") +
                line->config_.registrar);
    }
    line->registration_ = Registration::Registered;
    if (was == Registration::Lost) line->ReportService(LINEDEVSTATE_INSERVICE);
    return;
  }
  // libre renews a registration before it ends and, once one has failed, tries again later;
  // meanwhile calls routed through the registrar cannot reach the line.
  const bool lost = was == Registration::Registered || was == Registration::Lost;
  line->registration_ = lost ? Registration::Lost : Registration::Failed;
  if (message != nullptr) {
    line->Say("registration with " + line->config_.registrar +
              " refused: " + std::to_string(message->scode) + " " +
              std::string(message->reason.p, message->reason.l));
  } else {
    line->Say("registration with " + line->config_.registrar + " failed: " + std::strerror(error));
  }
  if (was == Registration::Registered) line->ReportService(LINEDEVSTATE_OUTOFSERVICE);
}

void SipLine::ReportService(DWORD state) {
  for (const Channel &channel : channels_) Exchange().ReportLineState(channel.deviceId, state);
}

SipLine::Channel *SipLine::Hunt(uint16_t &refusal) {
  // Nobody would ever answer: say so rather than ring until the caller gives up.
  refusal = 480;
  for (Channel &channel : channels_) {
    if (Exchange().OpenLineCount(channel.deviceId) == 0) continue;
    if (channel.call == nullptr || Exchange().CallState(channel.call->Id()) == LINECALLSTATE_IDLE)
      return &channel;
    refusal = 486;
  }
  return nullptr;
}

void SipLine::Refuse(const struct sip_msg *request, uint16_t refusal, const std::string &why) {
  Say(Text(request->met) + " from " + Uri(request) + why + ": " + std::to_string(refusal));
  (void)sip_treply(nullptr, endpoint_.Stack(), request, refusal, ReasonOf(refusal));
}

void SipLine::Offer(const struct sip_msg *invite) {
  uint16_t refusal = 0;
  Channel *channel = Hunt(refusal);
  if (channel == nullptr) {
    const bool busy = refusal == 486;
    Say("INVITE from " + Uri(invite) +
        (busy ? " while every channel has a call: 486 Busy Here"
              : " while no application has the line open: 480"));
    (void)sip_treply(nullptr, endpoint_.Stack(), invite, refusal, ReasonOf(refusal));
    return;
  }
  // A call over for the applications, though not yet let go of.
  channel->call.reset();
  try {
    auto call = std::make_unique<SipCall>(*this, channel->deviceId, false);
    refusal = call->Offer(invite);
    if (refusal != 0) {
      Refuse(invite, refusal, " refused");
      return;
    }
    channel->call = std::move(call);
  } catch (const std::system_error &error) {
    Refuse(invite, 503, std::string(": ") + error.what());
  }
}

void SipLine::AnswerOptions(const struct sip_msg *options) {
  uint16_t refusal = 0;
  if (Hunt(refusal) == nullptr) {
    (void)sip_treply(nullptr, endpoint_.Stack(), options, refusal, ReasonOf(refusal));
    return;
  }
  (void)sip_treplyf(nullptr, nullptr, endpoint_.Stack(), options, false, 200, "OK",
                    "Allow: %s\r\nAccept: application/sdp\r\nSupported: \r\n"
                    "Content-Length: 0\r\n\r\n",
                    kAllow);
}

bool SipLine::Update(const struct sip_msg *update) {
  for (Channel &channel : channels_) {
    if (channel.call != nullptr && channel.call->Owns(update)) {
      channel.call->Update(update, endpoint_.Stack());
      return true;
    }
  }
  return false;
}

SipCall *SipLine::CallOf(sim::CallId id) {
  for (Channel &channel : channels_)
    if (channel.call != nullptr && channel.call->Id() == id) return channel.call.get();
  return nullptr;
}

void SipLine::Answer(sim::CallId id) {
  if (SipCall *call = CallOf(id)) call->Answer();
}

void SipLine::Place(sim::CallId id, DWORD deviceId, const std::string &target) {
  Channel &channel = channels_[deviceId - firstDevice_];
  std::unique_ptr<SipCall> call;
  try {
    call = std::make_unique<SipCall>(*this, deviceId, true);
  } catch (const std::system_error &error) {
    Say(std::string("call not placed: ") + error.what());
  }
  if (call == nullptr || !call->Place(id, target)) {
    Exchange().HangUp(id);
    return;
  }
  channel.call = std::move(call);
}

void SipLine::Beep(sim::CallId id, uint32_t milliseconds, double askedAt) {
  if (SipCall *call = CallOf(id)) call->Beep(milliseconds, askedAt);
}

void SipLine::SendDigits(sim::CallId id, const std::string &digits, uint32_t milliseconds) {
  if (SipCall *call = CallOf(id)) call->SendDigits(digits, milliseconds);
}

void SipLine::End(sim::CallId id) {
  for (Channel &channel : channels_)
    if (channel.call != nullptr && channel.call->Id() == id) channel.call.reset();
}

void SipLine::Forget(sim::CallId id) {
  services_.later([this, id] { End(id); });
}

}  // namespace sipnet
