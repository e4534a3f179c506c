// Any text read as a SIP provider configuration: it is accepted as lines that can serve (each
// with a name, one address and port the SIP stack can listen on, a user, at least one codec, a
// sane number of channels, rates above nothing and callers it can tell; SRTP only over TLS, which
// has its certificate and key) or refused with the file and line of what is wrong; nothing else
// may happen.
#include <string>

#include "FuzzInput.h"
#include "providers/sip/Re.h"
#include "providers/sip/SipConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  try {
    const sipnet::ProviderConfig config = sipnet::ParseConfig(text, "f.conf");
    fuzz::Require(!config.lines.empty(), "a configuration without lines was accepted");
    for (const sipnet::LineConfig &line : config.lines) {
      struct sa address;
      fuzz::Require(!line.name.empty() && !line.user.empty() && !line.codecs.empty(),
                    "a line without a name, user or codec was accepted");
      fuzz::Require(sa_decode(&address, line.listen.data(), line.listen.size()) == 0 &&
                        sa_port(&address) != 0 && !sa_is_any(&address),
                    "a listening address the stack cannot listen on was accepted");
      fuzz::Require(line.channels >= 1 && line.channels <= 1000,
                    "a channel count out of range was accepted");
      for (const sipnet::Rate &rate : {line.inviteRate, line.requestRate})
        fuzz::Require(rate.perSecond >= 1 && rate.burst >= rate.perSecond,
                      "a rate of nothing, or a burst below it, was accepted");
      fuzz::Require(!line.acceptFrom || !line.acceptFrom->empty(),
                    "an empty accept_from was accepted");
      fuzz::Require(!line.inboundAuth || !line.password.empty(),
                    "inbound_auth without a password was accepted");
      fuzz::Require(line.mediaEncryption == sipnet::MediaEncryption::None ||
                        line.transport == sipnet::Transport::Tls,
                    "SRTP keys over a transport in the clear were accepted");
      fuzz::Require(line.transport != sipnet::Transport::Tls ||
                        (!line.tlsCert.empty() && !line.tlsKey.empty()),
                    "a TLS line without a certificate and key was accepted");
      fuzz::Require(
          line.publicAddress.empty() || sa_set_str(&address, line.publicAddress.c_str(), 0) == 0,
          "a public address that is no address was accepted");
    }
  } catch (const sipnet::ConfigError &error) {
    fuzz::Require(std::string(error.what()).rfind("f.conf", 0) == 0,
                  "a refusal does not say where");
  }
  return 0;
}
