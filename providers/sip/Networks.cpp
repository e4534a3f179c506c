#include "providers/sip/Networks.h"

#include "providers/sip/Re.h"

#include <arpa/inet.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace sipnet {
namespace {

size_t Size(int family) {
  return family == AF_INET ? 4 : 16;
}

void ClearHostBits(Network &network) {
  unsigned prefix = network.prefix;
  for (size_t byte = 0; byte < network.bytes.size(); ++byte, prefix -= std::min(prefix, 8u))
    network.bytes[byte] &= prefix >= 8 ? 0xff : static_cast<uint8_t>(0xff << (8 - prefix));
}

Network ParseNetwork(const std::string &text) {
  const auto malformed = [&] {
    return std::invalid_argument("bad network '" + text +
                                 "' (an address, a network such as 192.0.2.0/24 or "
                                 "2001:db8::/32, or any)");
  };
  const size_t slash = text.find('/');
  const std::string host = text.substr(0, slash);
  Network network;
  if (inet_pton(AF_INET, host.c_str(), network.bytes.data()) == 1) {
    network.family = AF_INET;
  } else if (inet_pton(AF_INET6, host.c_str(), network.bytes.data()) == 1) {
    network.family = AF_INET6;
  } else {
    throw malformed();
  }
  const unsigned bits = static_cast<unsigned>(8 * Size(network.family));
  network.prefix = bits;
  if (slash != std::string::npos) {
    const std::string prefix = text.substr(slash + 1);
    if (prefix.empty() || prefix.size() > 3 ||
        prefix.find_first_not_of("0123456789") != std::string::npos)
      throw malformed();
    network.prefix = static_cast<unsigned>(std::stoul(prefix));
    if (network.prefix > bits) throw malformed();
  }
  ClearHostBits(network);
  return network;
}

}  // namespace

std::vector<Network> ParseNetworks(const std::string &text) {
  std::string spaced = text;
  std::replace(spaced.begin(), spaced.end(), ',', ' ');
  std::istringstream items(spaced);
  std::vector<Network> networks;
  for (std::string item; items >> item;) {
    if (item == "any") {
      networks.push_back({AF_INET, {}, 0});
      networks.push_back({AF_INET6, {}, 0});
      continue;
    }
    networks.push_back(ParseNetwork(item));
  }
  if (networks.empty()) throw std::invalid_argument("no address or network given (or any)");
  return networks;
}

Network WholeNetwork(const struct sa &address) {
  Network network;
  network.family = sa_af(&address);
  if (network.family == AF_INET) {
    const uint32_t in = htonl(sa_in(&address));
    std::copy_n(reinterpret_cast<const uint8_t *>(&in), 4, network.bytes.begin());
  } else {
    sa_in6(&address, network.bytes.data());
  }
  network.prefix = static_cast<unsigned>(8 * Size(network.family));
  return network;
}

bool Contains(const std::vector<Network> &networks, const struct sa &source) {
  const Network whole = WholeNetwork(source);
  return std::any_of(networks.begin(), networks.end(), [&](Network network) {
    if (network.family != whole.family) return false;
    Network masked = whole;
    masked.prefix = network.prefix;
    ClearHostBits(masked);
    return masked.bytes == network.bytes;
  });
}

}  // namespace sipnet
