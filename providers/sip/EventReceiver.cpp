#include "providers/sip/EventReceiver.h"

namespace sipnet {
namespace {

// An event this far behind the current one is no straggler but a source that started afresh.
constexpr int32_t kStragglerSamples = 8000 * 10;

}  // namespace

bool EventReceiver::Straggler(uint32_t ssrc, uint32_t timestamp) const {
  if (!current_ || current_->ssrc != ssrc) return false;
  const auto behind = static_cast<int32_t>(current_->timestamp - timestamp);
  return behind > 0 && behind < kStragglerSamples;
}

std::vector<EventReceiver::Edge> EventReceiver::Arrived(uint32_t ssrc, uint32_t timestamp,
                                                        const TelephoneEvent &event) {
  const char digit = DigitOfEvent(event.code);
  if (digit == 0) return {};
  if (current_ && current_->ssrc == ssrc && current_->timestamp == timestamp) {
    if (!event.end || current_->ended) return {};
    current_->ended = true;
    return {{current_->digit, true}};
  }
  if (Straggler(ssrc, timestamp)) return {};
  std::vector<Edge> edges;
  if (current_ && !current_->ended) edges.push_back({current_->digit, true});
  current_ = Current{ssrc, timestamp, digit, event.end};
  edges.push_back({digit, false});
  if (event.end) edges.push_back({digit, true});
  return edges;
}

}  // namespace sipnet
