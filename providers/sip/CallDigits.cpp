#include "providers/sip/CallDigits.h"

namespace sipnet {

void CallDigits::Report(const std::vector<EventReceiver::Edge> &edges) const {
  for (const EventReceiver::Edge &edge : edges) handlers_.heard(edge.digit, edge.ended);
}

void CallDigits::EventArrived(uint32_t ssrc, uint32_t timestamp, std::span<const uint8_t> payload) {
  if (const auto event = ParseEvent(payload)) Report(receiver_.Arrived(ssrc, timestamp, *event));
}

void CallDigits::Heard(std::span<const int16_t> sound) {
  // A peer that sends events mutes its tones, or sends both: the events alone count.
  if (events_) return;
  for (const dtmf::DigitEdge &edge : detector_.Feed(sound)) handlers_.heard(edge.digit, edge.ended);
}

void CallDigits::Send(const std::string &digits, uint32_t milliseconds, uint32_t pauseMs) {
  sending_ = !digits.empty();
  sender_.Send(events_ ? digits : std::string(), milliseconds, milliseconds, pauseMs);
  generator_.reset();
  if (sending_ && !events_) {
    generator_ =
        std::make_unique<dtmf::Generator>(dtmf::Timing{milliseconds, milliseconds, pauseMs});
    generator_->Queue(digits);
  }
}

std::vector<EventSender::Packet> CallDigits::Frame(uint32_t timestamp, std::span<int16_t> sound) {
  std::vector<EventSender::Packet> packets = sender_.Next(timestamp);
  if (generator_) generator_->Render(sound);
  const bool done = events_ ? sender_.Done() : generator_ == nullptr || generator_->Done();
  if (sending_ && done) {
    sending_ = false;
    generator_.reset();
    handlers_.sent();
  }
  return packets;
}

}  // namespace sipnet
