#include "providers/sip/SipConfig.h"

#include "providers/sip/Re.h"

#include <cstdlib>
#include <fstream>
#include <map>
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

std::string Address(const std::string &value) {
  struct sa address;
  if (sa_decode(&address, value.c_str(), value.size()) != 0 || sa_port(&address) == 0)
    throw std::invalid_argument("bad address '" + value + "' (host:port, e.g. 127.0.0.1:5060)");
  return value;
}

std::string Registrar(const std::string &value) {
  struct pl text;
  struct uri uri;
  pl_set_str(&text, value.c_str());
  if (uri_decode(&uri, &text) != 0 || pl_strcasecmp(&uri.scheme, "sip") != 0)
    throw std::invalid_argument("bad registrar '" + value + "' (a sip: URI)");
  return value;
}

void SetLineKey(LineConfig &line, const std::string &key, const std::string &value) {
  using Setter = void (*)(LineConfig &, const std::string &);
  static const std::map<std::string, Setter> setters = {
      {"name", [](LineConfig &l, const std::string &v) { l.name = v; }},
      {"listen", [](LineConfig &l, const std::string &v) { l.listen = Address(v); }},
      {"codecs", [](LineConfig &l, const std::string &v) { l.codecs = Codecs(v); }},
      {"registrar", [](LineConfig &l, const std::string &v) { l.registrar = Registrar(v); }},
      {"user", [](LineConfig &l, const std::string &v) { l.user = v; }},
      {"password", [](LineConfig &l, const std::string &v) { l.password = v; }},
  };
  const auto setter = setters.find(key);
  if (setter == setters.end()) throw std::invalid_argument("unknown key '" + key + "'");
  setter->second(line, value);
}

void CheckLine(const LineConfig &line) {
  if (line.listen.empty()) throw std::invalid_argument("the line has no 'listen' address");
  if (line.name.empty()) throw std::invalid_argument("the line has no 'name'");
  if (line.user.empty()) throw std::invalid_argument("the line has an empty 'user'");
}

}  // namespace

ProviderConfig ParseConfig(const std::string &text, const std::string &origin) {
  ProviderConfig config;
  std::istringstream lines(text);
  int number = 0;
  int sectionStart = 0;
  const auto fail = [&](int at, const std::string &why) {
    throw ConfigError(origin + ":" + std::to_string(at) + ": " + why);
  };
  const auto closeSection = [&] {
    if (config.lines.empty()) return;
    try {
      CheckLine(config.lines.back());
    } catch (const std::invalid_argument &error) {
      fail(sectionStart, error.what());
    }
  };
  for (std::string raw; std::getline(lines, raw);) {
    ++number;
    const std::string line = Trimmed(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line == "[line]") {
      closeSection();
      config.lines.emplace_back();
      sectionStart = number;
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

std::string ConfigPath(const std::string &given) {
  if (!given.empty()) return given;
  const char *variable = std::getenv("CORVAX_SIP_CONFIG");
  return variable ? variable : "";
}

}  // namespace sipnet
