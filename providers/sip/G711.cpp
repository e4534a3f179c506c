#include "providers/sip/G711.h"

#include "providers/sip/Re.h"

#include <algorithm>

namespace sipnet {

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
    return codec == Codec::Pcmu ? g711_ulaw2pcm(byte) : g711_alaw2pcm(byte);
  });
  return samples;
}

}  // namespace sipnet
