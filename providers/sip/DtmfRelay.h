// Digits sent in SIP INFO requests. No standard covers it, but peers widely send an
// application/dtmf-relay body such as "Signal=5\r\nDuration=160\r\n", the signal a digit
// (0-9 * # A-D) or an event code (10 for *, 11 for #, 12-15 for A-D).
#pragma once

#include <optional>
#include <string_view>

namespace sipnet {

constexpr const char *kDtmfRelayType = "application";
constexpr const char *kDtmfRelaySubtype = "dtmf-relay";

// The digit a dtmf-relay body signals; none when it signals none.
std::optional<char> ParseDtmfRelay(std::string_view body);

}  // namespace sipnet
