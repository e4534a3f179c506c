// G.711 µ-law (payload type 0) and A-law (8) between the devices' samples and RTP payloads.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "providers/sip/SipConfig.h"

namespace sipnet {

int PayloadType(Codec codec);
const char *CodecName(Codec codec);

std::vector<uint8_t> Encode(Codec codec, std::span<const int16_t> samples);
std::vector<int16_t> Decode(Codec codec, std::span<const uint8_t> payload);

}  // namespace sipnet
