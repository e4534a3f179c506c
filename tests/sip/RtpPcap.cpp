#include "tests/sip/RtpPcap.h"

#include <algorithm>
#include <fstream>
#include <vector>

namespace sip_test {
namespace {

constexpr size_t kFrameBytes = 160;  // 20 ms of 8 kHz µ-law
constexpr uint32_t kFrameMicroseconds = 20000;
constexpr size_t kEthernet = 14, kIp = 20, kUdp = 8, kRtp = 12;

class Bytes {
 public:
  // The capture file's own fields are in the writer's order (its magic number says which);
  // the packets' fields are in network order.
  void Host32(uint32_t value) { Append(&value, 4); }
  void Host16(uint16_t value) { Append(&value, 2); }
  void Net16(uint16_t value) { bytes_.insert(bytes_.end(), {uint8_t(value >> 8), uint8_t(value)}); }
  void Net32(uint32_t value) {
    Net16(static_cast<uint16_t>(value >> 16));
    Net16(static_cast<uint16_t>(value));
  }
  void Byte(uint8_t value) { bytes_.push_back(value); }
  void Append(const void *data, size_t size) {
    const auto *first = static_cast<const uint8_t *>(data);
    bytes_.insert(bytes_.end(), first, first + size);
  }
  const std::vector<uint8_t> &All() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

uint16_t IpChecksum(const uint8_t *header) {
  uint32_t sum = 0;
  for (size_t i = 0; i < kIp; i += 2) sum += static_cast<uint32_t>(header[i] << 8 | header[i + 1]);
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

void Packet(Bytes &file, uint32_t index, std::span<const uint8_t> payload) {
  const uint32_t at = index * kFrameMicroseconds;
  const size_t size = kEthernet + kIp + kUdp + kRtp + payload.size();
  file.Host32(at / 1000000);
  file.Host32(at % 1000000);
  file.Host32(static_cast<uint32_t>(size));
  file.Host32(static_cast<uint32_t>(size));
  const uint8_t mac[12] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2};
  file.Append(mac, sizeof mac);
  file.Net16(0x0800);  // IPv4
  Bytes ip;
  ip.Byte(0x45);
  ip.Byte(0);
  ip.Net16(static_cast<uint16_t>(size - kEthernet));
  ip.Net16(static_cast<uint16_t>(index));
  ip.Net16(0);
  ip.Byte(64);  // time to live
  ip.Byte(17);  // UDP
  ip.Net16(0);  // checksum, below
  ip.Net32(0x7f000001);
  ip.Net32(0x7f000001);
  std::vector<uint8_t> header = ip.All();
  const uint16_t checksum = IpChecksum(header.data());
  header[10] = static_cast<uint8_t>(checksum >> 8);
  header[11] = static_cast<uint8_t>(checksum);
  file.Append(header.data(), header.size());
  // sipp sends from its own media port to the one the called party's SDP names.
  file.Net16(6000);
  file.Net16(6002);
  file.Net16(static_cast<uint16_t>(kUdp + kRtp + payload.size()));
  file.Net16(0);    // no UDP checksum
  file.Byte(0x80);  // RTP version 2
  file.Byte(0);     // PCMU
  file.Net16(static_cast<uint16_t>(index));
  file.Net32(index * kFrameBytes);
  file.Net32(0x5eed1e55);
  file.Append(payload.data(), payload.size());
}

}  // namespace

bool WriteRtpPcap(const std::filesystem::path &path, std::span<const uint8_t> mulaw) {
  Bytes file;
  file.Host32(0xa1b2c3d4);
  file.Host16(2);
  file.Host16(4);
  file.Host32(0);  // time zone
  file.Host32(0);  // accuracy
  file.Host32(65535);
  file.Host32(1);  // Ethernet
  for (uint32_t index = 0; index * kFrameBytes < mulaw.size(); ++index) {
    const size_t first = index * kFrameBytes;
    Packet(file, index, mulaw.subspan(first, std::min(kFrameBytes, mulaw.size() - first)));
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(file.All().data()),
            static_cast<std::streamsize>(file.All().size()));
  return static_cast<bool>(out);
}

}  // namespace sip_test
