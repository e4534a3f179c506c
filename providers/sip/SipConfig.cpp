#include "providers/sip/SipConfig.h"

#include "providers/sip/Re.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <utility>
#include <sstream>

namespace sipnet {
namespace {

std::string Trimmed(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

Codec CodecNamed(const std::string &name) {
  if (name == "PCMU") return Codec::Pcmu;
  if (name == "PCMA") return Codec::Pcma;
  throw std::invalid_argument("unknown codec '" + name + "' (PCMU and PCMA are known)");
}

std::vector<Codec> Codecs(const std::string &value) {
  std::vector<Codec> codecs;
  std::istringstream names(value);
  for (std::string name; names >> name;) codecs.push_back(CodecNamed(name));
  if (codecs.empty()) throw std::invalid_argument("no codec given");
  return codecs;
}

constexpr unsigned kMaxChannels = 1000;
constexpr const char *kAddressForm = "(host:port, e.g. 127.0.0.1:5060)";

// Digits only, so that neither a sign nor trailing text slips through.
bool Number(const std::string &text, unsigned long max, unsigned long &value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  value = std::stoul(text);
  return value <= max;
}

std::optional<struct sa> Decoded(const std::string &address) {
  struct sa decoded;
  if (sa_decode(&decoded, address.c_str(), address.size()) != 0) return std::nullopt;
  return decoded;
}

std::string Address(const std::string &value) {
  const size_t colon = value.rfind(':');
  const size_t bracket = value.rfind(']');
  if (colon == std::string::npos || (bracket != std::string::npos && colon < bracket))
    throw std::invalid_argument("bad address '" + value + "' " + kAddressForm);
  unsigned long port = 0;
  if (!Number(value.substr(colon + 1), 65535, port) || port == 0)
    throw std::invalid_argument("bad port in '" + value + "' (1 to 65535)");
  // The stack reads addresses leniently (trailing text, a port of 0), so the host must be one
  // numeric address that reads the same both ways.
  std::string host = value.substr(0, colon);
  const bool bracketed = host.size() > 2 && host.front() == '[' && host.back() == ']';
  if (bracketed) host = host.substr(1, host.size() - 2);
  struct sa exact;
  const std::optional<struct sa> address = Decoded(value);
  if ((!bracketed && host.find(':') != std::string::npos) ||
      sa_set_str(&exact, host.c_str(), static_cast<uint16_t>(port)) != 0 || !address ||
      !sa_cmp(&exact, &*address, SA_ALL))
    throw std::invalid_argument("bad address '" + value + "' " + kAddressForm);
  // Peers are told where to send the call's sound, so the line needs one address of its own.
  if (sa_is_any(&*address))
    throw std::invalid_argument("'" + value + "' is every address, not one (name the one peers " +
                                "reach, e.g. 127.0.0.1:5060)");
  return value;
}

unsigned Channels(const std::string &value) {
  unsigned long channels = 0;
  if (!Number(value, kMaxChannels, channels) || channels == 0)
    throw std::invalid_argument("bad channels '" + value + "' (1 to " +
                                std::to_string(kMaxChannels) + ")");
  return static_cast<unsigned>(channels);
}

std::string Registrar(const std::string &value) {
  struct pl text;
  struct uri uri;
  pl_set_str(&text, value.c_str());
  if (uri_decode(&uri, &text) != 0 || pl_strcasecmp(&uri.scheme, "sip") != 0)
    throw std::invalid_argument("bad registrar '" + value + "' (a sip: URI)");
  return value;
}

std::vector<Network> AcceptFrom(const std::string &value) {
  return ParseNetworks(value);
}

Transport TransportNamed(const std::string &value) {
  if (value == "udp") return Transport::Udp;
  if (value == "tcp") return Transport::Tcp;
  if (value == "tls") return Transport::Tls;
  throw std::invalid_argument("unknown transport '" + value + "' (udp, tcp or tls)");
}

MediaEncryption EncryptionNamed(const std::string &value) {
  if (value == "none") return MediaEncryption::None;
  if (value == "srtp") return MediaEncryption::Srtp;
  if (value == "srtp-mandatory") return MediaEncryption::SrtpMandatory;
  throw std::invalid_argument("unknown media_encryption '" + value +
                              "' (none, srtp or srtp-mandatory)");
}

bool YesNo(const std::string &key, const std::string &value) {
  if (value == "yes") return true;
  if (value == "no") return false;
  throw std::invalid_argument("bad " + key + " '" + value + "' (yes or no)");
}

constexpr unsigned long kMaxRate = 1000000;

// "RATE" or "RATE BURST": requests a second from one source, and how many at once (twice the
// rate when not given).
Rate RateOf(const std::string &key, const std::string &value) {
  std::istringstream words(value);
  std::string rate;
  std::string burst;
  std::string extra;
  words >> rate >> burst >> extra;
  unsigned long perSecond = 0;
  unsigned long atOnce = 0;
  const bool good = Number(rate, kMaxRate, perSecond) && perSecond > 0 && extra.empty() &&
                    (burst.empty() || (Number(burst, kMaxRate, atOnce) && atOnce >= perSecond));
  if (!good)
    throw std::invalid_argument("bad " + key + " '" + value + "' (requests a second, 1 to " +
                                std::to_string(kMaxRate) +
                                ", then optionally a burst no smaller than it)");
  return {static_cast<double>(perSecond),
          static_cast<double>(burst.empty() ? 2 * perSecond : atOnce)};
}

// Read at start too: a file that cannot be read now (missing, a folder, empty) is refused
// here, where it is named.
std::string ReadableFile(const std::string &key, const std::string &value) {
  if (value.empty()) throw std::invalid_argument("no file given for " + key);
  std::ifstream file(value);
  std::string first;
  if (!file || !std::getline(file, first))
    throw std::invalid_argument(key + " '" + value + "' cannot be read");
  return value;
}

std::string PublicAddress(const std::string &value) {
  struct sa address;
  if (sa_set_str(&address, value.c_str(), 0) != 0 || sa_is_any(&address))
    throw std::invalid_argument("bad public_address '" + value +
                                "' (one numeric address, e.g. 203.0.113.7)");
  return value;
}

void SetLineKey(LineConfig &line, const std::string &key, const std::string &value) {
  using Setter = void (*)(LineConfig &, const std::string &);
  static const std::map<std::string, Setter> setters = {
      {"name", [](LineConfig &l, const std::string &v) { l.name = v; }},
      {"listen", [](LineConfig &l, const std::string &v) { l.listen = Address(v); }},
      {"codecs", [](LineConfig &l, const std::string &v) { l.codecs = Codecs(v); }},
      {"registrar", [](LineConfig &l, const std::string &v) { l.registrar = Registrar(v); }},
      {"user",
       [](LineConfig &l, const std::string &v) {
         l.user = v;
         l.userGiven = true;
       }},
      {"password", [](LineConfig &l, const std::string &v) { l.password = v; }},
      {"channels", [](LineConfig &l, const std::string &v) { l.channels = Channels(v); }},
      {"accept_from", [](LineConfig &l, const std::string &v) { l.acceptFrom = AcceptFrom(v); }},
      {"inbound_auth",
       [](LineConfig &l, const std::string &v) { l.inboundAuth = YesNo("inbound_auth", v); }},
      {"invite_rate",
       [](LineConfig &l, const std::string &v) { l.inviteRate = RateOf("invite_rate", v); }},
      {"request_rate",
       [](LineConfig &l, const std::string &v) { l.requestRate = RateOf("request_rate", v); }},
      {"transport", [](LineConfig &l, const std::string &v) { l.transport = TransportNamed(v); }},
      {"tls_cert",
       [](LineConfig &l, const std::string &v) { l.tlsCert = ReadableFile("tls_cert", v); }},
      {"tls_key",
       [](LineConfig &l, const std::string &v) { l.tlsKey = ReadableFile("tls_key", v); }},
      {"tls_ca", [](LineConfig &l, const std::string &v) { l.tlsCa = ReadableFile("tls_ca", v); }},
      {"tls_verify",
       [](LineConfig &l, const std::string &v) { l.tlsVerify = YesNo("tls_verify", v); }},
      {"media_encryption",
       [](LineConfig &l, const std::string &v) { l.mediaEncryption = EncryptionNamed(v); }},
      {"public_address",
       [](LineConfig &l, const std::string &v) { l.publicAddress = PublicAddress(v); }},
  };
  const auto setter = setters.find(key);
  if (setter == setters.end()) throw std::invalid_argument("unknown key '" + key + "'");
  setter->second(line, value);
}

// What is wrong with a line as a whole, told at the line of the key that makes it so.
class KeyError : public std::invalid_argument {
 public:
  KeyError(std::string key, const std::string &why)
      : std::invalid_argument(why), key_(std::move(key)) {}
  const std::string &Key() const { return key_; }

 private:
  std::string key_;
};

void CheckSecurity(const LineConfig &line) {
  // SDES keys travel in the SDP: over plain UDP or TCP anyone on the way could read them.
  if (line.mediaEncryption != MediaEncryption::None && line.transport != Transport::Tls)
    throw KeyError("media_encryption",
                   "media_encryption needs 'transport = tls' (the keys would travel in the clear)");
  if (line.transport == Transport::Tls && (line.tlsCert.empty() || line.tlsKey.empty()))
    throw KeyError("transport", "'transport = tls' needs 'tls_cert' and 'tls_key'");
  const std::pair<const char *, const std::string *> files[] = {
      {"tls_cert", &line.tlsCert}, {"tls_key", &line.tlsKey}, {"tls_ca", &line.tlsCa}};
  for (const auto &[key, file] : files) {
    if (!file->empty() && line.transport != Transport::Tls)
      throw KeyError(key, std::string(key) + " is for 'transport = tls'");
  }
}

void CheckLine(const LineConfig &line) {
  if (line.listen.empty()) throw std::invalid_argument("the line has no 'listen' address");
  if (line.name.empty()) throw std::invalid_argument("the line has no 'name'");
  if (line.user.empty()) throw std::invalid_argument("the line has an empty 'user'");
  if (line.inboundAuth && (!line.userGiven || line.password.empty()))
    throw std::invalid_argument("'inbound_auth = yes' needs the line's 'user' and 'password'");
  CheckSecurity(line);
}

// Every call to an address must have one line to go to: no two lines there take the same user,
// and at most one takes the calls no user matches.
void CheckSharing(const LineConfig &line, const LineConfig &earlier, int earlierStart) {
  if (!SameAddress(line.listen, earlier.listen)) return;
  const std::string at = " on " + line.listen;
  const std::string other = "the line at line " + std::to_string(earlierStart);
  if (!line.userGiven && !earlier.userGiven)
    throw std::invalid_argument("a second line without a 'user'" + at + " (" + other +
                                " takes the calls no user matches)");
  if (line.transport != earlier.transport)
    throw std::invalid_argument("another transport" + at + " than " + other +
                                "'s (lines sharing an address share its transport)");
  if (line.userGiven && earlier.userGiven && line.user == earlier.user)
    throw std::invalid_argument("user '" + line.user + "'" + at + " belongs to " + other +
                                " already (for several devices of one number, set 'channels')");
}

}  // namespace

ProviderConfig ParseConfig(const std::string &text, const std::string &origin) {
  ProviderConfig config;
  std::istringstream lines(text);
  int number = 0;
  std::vector<int> sectionStarts;
  std::map<std::string, int> keyLines;  // of the section being read
  const auto fail = [&](int at, const std::string &why) {
    throw ConfigError(origin + ":" + std::to_string(at) + ": " + why);
  };
  const auto closeSection = [&] {
    if (config.lines.empty()) return;
    try {
      CheckLine(config.lines.back());
      for (size_t earlier = 0; earlier + 1 < config.lines.size(); ++earlier)
        CheckSharing(config.lines.back(), config.lines[earlier], sectionStarts[earlier]);
    } catch (const KeyError &error) {
      fail(keyLines[error.Key()], error.what());
    } catch (const std::invalid_argument &error) {
      fail(sectionStarts.back(), error.what());
    }
  };
  for (std::string raw; std::getline(lines, raw);) {
    ++number;
    const std::string line = Trimmed(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line == "[line]") {
      closeSection();
      config.lines.emplace_back();
      sectionStarts.push_back(number);
      keyLines.clear();
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) fail(number, "expected 'key = value' or '[line]'");
    const std::string key = Trimmed(line.substr(0, equals));
    const std::string value = Trimmed(line.substr(equals + 1));
    try {
      if (config.lines.empty()) {
        if (key != "log")
          throw std::invalid_argument("unknown key '" + key + "' before any [line]");
        config.log = value;
      } else {
        SetLineKey(config.lines.back(), key, value);
        keyLines[key] = number;
      }
    } catch (const std::invalid_argument &error) {
      fail(number, error.what());
    }
  }
  closeSection();
  if (config.lines.empty()) throw ConfigError(origin + ": no [line] is configured");
  return config;
}

ProviderConfig ReadConfig(const std::string &path) {
  if (path.empty())
    throw ConfigError("no configuration: name a file, or set CORVAX_SIP_CONFIG to one");
  std::ifstream file(path);
  if (!file) throw ConfigError(path + ": cannot be read");
  std::ostringstream text;
  text << file.rdbuf();
  return ParseConfig(text.str(), path);
}

bool SameAddress(const std::string &one, const std::string &other) {
  const std::optional<struct sa> first = Decoded(one);
  const std::optional<struct sa> second = Decoded(other);
  return first && second && sa_cmp(&*first, &*second, SA_ALL);
}

std::string ConfigPath(const std::string &given) {
  if (!given.empty()) return given;
  const char *variable = std::getenv("CORVAX_SIP_CONFIG");
  return variable ? variable : "";
}

}  // namespace sipnet
