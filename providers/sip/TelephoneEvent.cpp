#include "providers/sip/TelephoneEvent.h"

#include <string_view>

namespace sipnet {
namespace {

constexpr std::string_view kDigits = "0123456789*#ABCD";
constexpr uint8_t kEndBit = 0x80;
constexpr uint8_t kVolumeBits = 0x3F;

}  // namespace

std::optional<TelephoneEvent> ParseEvent(std::span<const uint8_t> payload) {
  if (payload.size() < 4) return std::nullopt;
  return TelephoneEvent{payload[0], (payload[1] & kEndBit) != 0,
                        static_cast<uint8_t>(payload[1] & kVolumeBits),
                        static_cast<uint16_t>(payload[2] << 8 | payload[3])};
}

std::array<uint8_t, 4> EncodeEvent(const TelephoneEvent &event) {
  return {event.code,
          static_cast<uint8_t>((event.end ? kEndBit : 0) | (event.volume & kVolumeBits)),
          static_cast<uint8_t>(event.duration >> 8), static_cast<uint8_t>(event.duration)};
}

char DigitOfEvent(uint8_t code) {
  return code < kDigits.size() ? kDigits[code] : 0;
}

std::optional<uint8_t> EventOfDigit(char digit) {
  const size_t at = kDigits.find(digit);
  if (digit == 0 || at == std::string_view::npos) return std::nullopt;
  return static_cast<uint8_t>(at);
}

}  // namespace sipnet
