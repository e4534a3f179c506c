// RFC 4733 telephone-events: the payload that carries a touch-tone digit as an event (its code,
// whether it has ended, its volume and how long it has lasted so far), and the event codes of
// the digits (0-9, * #, A-D: codes 0 to 15).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace sipnet {

struct TelephoneEvent {
  uint8_t code = 0;
  bool end = false;
  uint8_t volume = 10;    // -dBm0
  uint16_t duration = 0;  // samples since the event began
};

// The event name and range our SDP offers beside the codecs, under kEventPayloadType.
constexpr const char *kEventName = "telephone-event";
constexpr const char *kEventRange = "0-15";
constexpr int kEventPayloadType = 101;

// The event in a payload; none when it is shorter than an event.
std::optional<TelephoneEvent> ParseEvent(std::span<const uint8_t> payload);
std::array<uint8_t, 4> EncodeEvent(const TelephoneEvent &event);

// The digit of an event code, 0 for a code that is no digit; and the code of a digit.
char DigitOfEvent(uint8_t code);
std::optional<uint8_t> EventOfDigit(char digit);

}  // namespace sipnet
