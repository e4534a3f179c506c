#include "providers/sip/G711.h"

#include "providers/sip/Re.h"

#include <algorithm>

namespace sipnet {
namespace {

// G.711's µ-law expansion: a biased mantissa shifted by its segment. librem's table answers
// +-2 for the two codes of zero, where the standard (and every other decoder) answers 0.
int16_t MuLawToLinear(uint8_t code) {
  const auto bits = static_cast<uint8_t>(~code);
  const int magnitude = ((((bits & 0x0F) << 3) + 0x84) << ((bits >> 4) & 0x07)) - 0x84;
  return static_cast<int16_t>((bits & 0x80) != 0 ? -magnitude : magnitude);
}

}  // namespace

int PayloadType(Codec codec) {
  return codec == Codec::Pcmu ? 0 : 8;
}

const char *CodecName(Codec codec) {
  return codec == Codec::Pcmu ? "PCMU" : "PCMA";
}

std::vector<uint8_t> Encode(Codec codec, std::span<const int16_t> samples) {
  std::vector<uint8_t> payload(samples.size());
  std::transform(samples.begin(), samples.end(), payload.begin(), [codec](int16_t sample) {
    // The encoders negate negative samples: -32768 would index past their tables.
    const auto bounded = static_cast<int16_t>(std::max<int>(sample, -32767));
    return codec == Codec::Pcmu ? g711_pcm2ulaw(bounded) : g711_pcm2alaw(bounded);
  });
  return payload;
}

std::vector<int16_t> Decode(Codec codec, std::span<const uint8_t> payload) {
  std::vector<int16_t> samples(payload.size());
  std::transform(payload.begin(), payload.end(), samples.begin(), [codec](uint8_t byte) {
    return codec == Codec::Pcmu ? MuLawToLinear(byte) : g711_alaw2pcm(byte);
  });
  return samples;
}

}  // namespace sipnet
