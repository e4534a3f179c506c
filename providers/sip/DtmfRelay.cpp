#include "providers/sip/DtmfRelay.h"

#include <strings.h>

#include <cctype>
#include <string>

#include "platform/tapi32/DigitString.h"
#include "providers/sip/TelephoneEvent.h"

namespace sipnet {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

std::optional<char> SignalledDigit(std::string_view value) {
  if (value.size() == 1) {
    const char digit = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
    if (IsDtmfDigit(digit)) return digit;
  }
  if (value.size() == 2 && value[0] == '1' && value[1] >= '0' && value[1] <= '5') {
    return DigitOfEvent(static_cast<uint8_t>(10 + value[1] - '0'));
  }
  return std::nullopt;
}

}  // namespace

std::optional<char> ParseDtmfRelay(std::string_view body) {
  while (!body.empty()) {
    const size_t end = body.find('\n');
    const std::string_view line = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string name(Trimmed(line.substr(0, equals)));
    if (strcasecmp(name.c_str(), "Signal") == 0)
      return SignalledDigit(Trimmed(line.substr(equals + 1)));
  }
  return std::nullopt;
}

}  // namespace sipnet
