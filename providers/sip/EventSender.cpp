#include "providers/sip/EventSender.h"

#include <algorithm>

namespace sipnet {

void EventSender::Send(const std::string &digits, uint32_t toneMs, uint32_t gapMs,
                       uint32_t pauseMs) {
  if (toneLeft_) ending_ = true;
  toneLeft_ = false;
  quietLeft_ = 0;
  digits_ = digits;
  next_ = 0;
  toneSamples_ = std::max<uint32_t>(toneMs * 8, 1);
  gapFrames_ = Frames(gapMs);
  pauseFrames_ = Frames(pauseMs);
}

std::vector<EventSender::Packet> EventSender::EndPackets() {
  ending_ = false;
  const Packet end{
      false, start_, {code_, true, TelephoneEvent{}.volume, static_cast<uint16_t>(sent_)}};
  return std::vector<Packet>(kEndPackets, end);
}

bool EventSender::StartNext(uint32_t timestamp) {
  while (next_ < digits_.size()) {
    const char next = digits_[next_++];
    if (next == ',') {
      quietLeft_ = pauseFrames_;
      return true;
    }
    if (const auto code = EventOfDigit(next)) {
      code_ = *code;
      start_ = timestamp;
      sent_ = 0;
      toneLeft_ = true;
      return true;
    }
  }
  return false;
}

std::vector<EventSender::Packet> EventSender::Next(uint32_t timestamp) {
  if (ending_) return EndPackets();
  if (quietLeft_ > 0) {
    --quietLeft_;
    return {};
  }
  if (!toneLeft_) {
    if (!StartNext(timestamp)) return {};
    // A pause began.
    if (!toneLeft_) return Next(timestamp);
  }
  const bool first = sent_ == 0;
  sent_ = std::min(sent_ + kFrameSamples, toneSamples_);
  if (sent_ < toneSamples_) {
    return {{first, start_, {code_, false, TelephoneEvent{}.volume, static_cast<uint16_t>(sent_)}}};
  }
  toneLeft_ = false;
  quietLeft_ = gapFrames_;
  std::vector<Packet> packets = EndPackets();
  packets.front().marker = first;
  return packets;
}

}  // namespace sipnet
