// The touch tones of one call, on the stack's thread: as telephone-events (RFC 4733) when the
// peer takes them, else in the call's sound, detected in what is heard and generated into
// what is sent in place of its sound.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dtmf/Detector.h"
#include "dtmf/Generator.h"
#include "providers/sip/EventReceiver.h"
#include "providers/sip/EventSender.h"

namespace sipnet {

class CallDigits {
 public:
  struct Handlers {
    // A digit of the peer's began, or ended.
    std::function<void(char digit, bool ended)> heard;
    // The last of the digits asked for has been sent.
    std::function<void()> sent;
  };

  explicit CallDigits(Handlers handlers) : handlers_(std::move(handlers)) {}

  // The payload type of the peer's telephone-events; none: the digits are in the sound.
  void UseEvents(std::optional<uint8_t> payloadType) { events_ = payloadType; }
  std::optional<uint8_t> EventPayloadType() const { return events_; }

  // A telephone-event packet of the source `ssrc`.
  void EventArrived(uint32_t ssrc, uint32_t timestamp, std::span<const uint8_t> payload);
  // The peer's sound, in order and in time.
  void Heard(std::span<const int16_t> sound);

  // Sends `digits` (0-9 * # A-D, ',' a pause of `pauseMs`) in place of any still being sent,
  // each tone and the gap after it `milliseconds` long; empty: stops sending.
  void Send(const std::string &digits, uint32_t milliseconds, uint32_t pauseMs);
  // The frame of sound at RTP timestamp `timestamp`: the event packets that go in its place,
  // or, in the sound, the tones written over `sound`.
  std::vector<EventSender::Packet> Frame(uint32_t timestamp, std::span<int16_t> sound);

 private:
  void Report(const std::vector<EventReceiver::Edge> &edges) const;

  Handlers handlers_;
  std::optional<uint8_t> events_;
  EventReceiver receiver_;
  EventSender sender_;
  dtmf::Detector detector_;
  std::unique_ptr<dtmf::Generator> generator_;
  bool sending_ = false;
};

}  // namespace sipnet
