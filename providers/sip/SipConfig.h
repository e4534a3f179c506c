// The SIP provider's configuration: its log and its lines, read from a text file.
//
//   # The front desk, registered with the office exchange
//   log = /var/log/corvax-sip.log
//
//   [line]
//   name      = Front Desk
//   listen    = 192.0.2.10:5060
//   codecs    = PCMU PCMA
//   registrar = sip:pbx.example.com
//   user      = desk
//   password  = secret
//   channels  = 4
//   accept_from = 192.0.2.0/24 2001:db8::/32
//   invite_rate = 10 20
//   transport = tls            # udp (the default), tcp or tls
//   tls_cert  = /etc/corvax/desk.crt
//   tls_key   = /etc/corvax/desk.key
//   tls_ca    = /etc/corvax/ca.crt
//   media_encryption = srtp-mandatory
//   public_address = 203.0.113.7
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "providers/sip/Networks.h"

namespace sipnet {

enum class Codec { Pcmu, Pcma };
enum class Transport { Udp, Tcp, Tls };
// SDES-keyed SRTP: offered and taken when the peer offers it, or the only media accepted.
enum class MediaEncryption { None, Srtp, SrtpMandatory };

// Requests a second from one source, and how many may come at once.
struct Rate {
  double perSecond;
  double burst;
};

struct LineConfig {
  std::string name;
  std::string listen;  // host:port the line's SIP and RTP use
  std::vector<Codec> codecs = {Codec::Pcmu, Codec::Pcma};
  std::string registrar;  // empty: the line takes calls sent straight to it
  std::string user = "corvax";
  // Whether `user` was configured: a line without one takes the calls to its address that no
  // other line's user matches.
  bool userGiven = false;
  std::string password;
  unsigned channels = 1;  // line devices of this one number (a hunt group)
  // Who may call; not given: the registrar's addresses when there is one, else anyone.
  std::optional<std::vector<Network>> acceptFrom;
  bool inboundAuth = false;  // challenge INVITEs for `user` and `password`
  Rate inviteRate{10, 20};
  Rate requestRate{20, 40};  // requests outside a call other than INVITE; the rest are dropped
  Transport transport = Transport::Udp;
  std::string tlsCert;  // PEM files; the certificate and key this line shows its peers
  std::string tlsKey;
  std::string tlsCa;  // empty: the system's authorities verify the peers called
  bool tlsVerify = true;
  MediaEncryption mediaEncryption = MediaEncryption::None;
  // The host peers reach this one at through a static NAT, for SDP and Contact; empty: none.
  std::string publicAddress;
};

struct ProviderConfig {
  std::string log;  // empty: standard error
  std::vector<LineConfig> lines;
};

// What is wrong with a configuration, with its file and line.
class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

ProviderConfig ReadConfig(const std::string &path);
ProviderConfig ParseConfig(const std::string &text, const std::string &origin);

// Whether two listen addresses name the same socket (however each is written).
bool SameAddress(const std::string &one, const std::string &other);

// The file a host names, else the one CORVAX_SIP_CONFIG names; empty when neither does.
std::string ConfigPath(const std::string &given);

}  // namespace sipnet
