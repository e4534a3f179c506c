// A capture file of RTP packets, as sipp's play_pcap_audio sends them: the caller's sound in
// 20 ms G.711 µ-law packets, one every 20 ms by the capture's time stamps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace sip_test {

// Writes `mulaw` (8 kHz µ-law bytes) to `path` as an Ethernet pcap of RTP over UDP on the
// loopback; false when it cannot be written.
bool WriteRtpPcap(const std::filesystem::path &path, std::span<const uint8_t> mulaw);

}  // namespace sip_test
