// Digits sent as telephone-events, one 20 ms frame at a time. Each digit is one event: a
// packet per frame while its tone lasts, all with the RTP timestamp of its first frame, the
// first marked and each with the duration so far, then three end packets with the whole
// duration; the gap after it and a ',' (a pause) send no events, and the call's sound goes
// out in them as usual.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "providers/sip/TelephoneEvent.h"

namespace sipnet {

class EventSender {
 public:
  static constexpr uint32_t kFrameSamples = 160;
  static constexpr int kEndPackets = 3;

  struct Packet {
    bool marker = false;
    uint32_t timestamp = 0;
    TelephoneEvent event;
  };

  // Sends `digits` (0-9 * # A-D, ',') in place of what is still to be sent: each tone
  // `toneMs` long with `gapMs` after it, a ',' `pauseMs` of nothing. A tone already begun
  // ends at once, with its end packets.
  void Send(const std::string &digits, uint32_t toneMs, uint32_t gapMs, uint32_t pauseMs);
  // Sends nothing more; a tone already begun ends at once, with its end packets.
  void Stop() { Send({}, 0, 0, 0); }

  // The event packets of the frame at RTP timestamp `timestamp`; none when the frame
  // carries the call's sound.
  std::vector<Packet> Next(uint32_t timestamp);
  // Whether everything asked for has been sent, the gap after the last digit too.
  bool Done() const { return !toneLeft_ && quietLeft_ == 0 && !ending_ && next_ >= digits_.size(); }

 private:
  static uint32_t Frames(uint32_t milliseconds) {
    return (milliseconds * 8 + kFrameSamples - 1) / kFrameSamples;
  }
  std::vector<Packet> EndPackets();
  // Starts the next digit or pause at `timestamp`; false when none is left.
  bool StartNext(uint32_t timestamp);

  std::string digits_;
  size_t next_ = 0;
  uint32_t toneSamples_ = 0;
  uint32_t gapFrames_ = 0;
  uint32_t pauseFrames_ = 0;
  // The tone being sent.
  uint8_t code_ = 0;
  uint32_t start_ = 0;
  uint32_t sent_ = 0;  // samples of it sent so far
  bool toneLeft_ = false;
  bool ending_ = false;     // its end packets go out with the next frame
  uint32_t quietLeft_ = 0;  // frames of gap or pause still to come
};

}  // namespace sipnet
