// Received telephone-events as digits, each once. An event's packets all carry the RTP
// timestamp of its start, and any of them (its first, its updates, its usually three end
// packets) may be lost, repeated or late. A digit begins with the first packet of a new
// timestamp and ends with the first end packet of that timestamp, or when the next event
// begins without one. Packets of an event before the current one are stragglers.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "providers/sip/TelephoneEvent.h"

namespace sipnet {

class EventReceiver {
 public:
  struct Edge {
    char digit = 0;
    bool ended = false;  // false: the digit began
    friend bool operator==(const Edge &, const Edge &) = default;
  };

  // The digit edges a packet of the source `ssrc` makes, in order; none for a repeat, a
  // straggler or an event that is no digit.
  std::vector<Edge> Arrived(uint32_t ssrc, uint32_t timestamp, const TelephoneEvent &event);

 private:
  struct Current {
    uint32_t ssrc = 0;
    uint32_t timestamp = 0;
    char digit = 0;
    bool ended = false;
  };

  bool Straggler(uint32_t ssrc, uint32_t timestamp) const;

  std::optional<Current> current_;
};

}  // namespace sipnet
