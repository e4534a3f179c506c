// Addresses and networks (CIDR, IPv4 or IPv6) that requests may come from.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct sa;

namespace sipnet {

struct Network {
  int family = 0;                      // AF_INET or AF_INET6
  std::array<uint8_t, 16> bytes = {};  // network order, the bits past the prefix cleared
  unsigned prefix = 0;
};

// "192.0.2.7", "192.0.2.0/24", "2001:db8::/32" or "any" (every IPv4 and IPv6 address), separated
// by commas or blanks; std::invalid_argument naming the one that is malformed.
std::vector<Network> ParseNetworks(const std::string &text);

// The one address, as a network.
Network WholeNetwork(const struct sa &address);

bool Contains(const std::vector<Network> &networks, const struct sa &source);

}  // namespace sipnet
