// A SIP caller of our own, in process, over UDP on the loopback: it calls the line, hears what
// the line sends (G.711 µ-law), and says one sound until it hears the beep, a second after it
// and a third last, then hangs up at once; on the way its packets may be lost, and what it says
// after the beep may come from a new RTP source, or all from another port than its SDP says.
// It keeps to real time as a telephone does.
// after the beep may come from a new RTP source. It keeps to real time as a telephone does.
// It may offer RFC 4733 telephone-events, press keys (as events, or as tones in its sound)
// and send SIP INFO requests; it keeps the events it receives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "providers/sip/SipConfig.h"
#include "providers/sip/TelephoneEvent.h"

namespace sip_test {

struct CallerScript {
  std::vector<int16_t> beforeBeep;  // said from the answer until the beep is heard
  std::vector<int16_t> afterBeep;   // said from the moment the beep is heard
  std::vector<int16_t> last;        // said after that; then the caller hangs up at once
  // What is said after the beep comes from a new source whose sequence numbers are behind.
  bool newSourceAfterBeep = false;
  double loss = 0;  // the share of the caller's packets lost on the way
  // As from behind a NAT: its SDP names a port its RTP neither comes from nor is heard on.
  bool behindNat = false;

  sipnet::Codec codec = sipnet::Codec::Pcmu;  // the one codec it offers
  bool offerEvents = false;                   // offers telephone-event/8000 (payload type 101) too
  // Keys pressed once `ready` holds (asked every 20 ms), each tone `toneMs` long with
  // `gapMs` after it: as events when it offers them, else as tones in its sound.
  std::string keys;
  uint32_t toneMs = 100;
  uint32_t gapMs = 60;
  int endPackets = 3;  // an event's end packets
  int copies = 1;      // each event packet is sent this many times
  // Keys as events that each begin and end in one packet, this many every 20 ms (0: keys as
  // a telephone presses them).
  size_t floodPerFrame = 0;
  // INFO requests (content type, body) sent once `ready` holds.
  std::vector<std::pair<std::string, std::string>> infos;
  std::function<bool()> ready = [] { return true; };
  // Told once the keys and INFO requests have all been sent.
  std::function<void()> sentAll = [] {};
};

struct HeardEvent {
  bool marker = false;
  uint32_t timestamp = 0;
  sipnet::TelephoneEvent event;
};

struct CallerReport {
  bool answered = false;
  bool hungUpOn = false;  // the line hung up first
  std::vector<int16_t> heard;
  size_t beepHeardAt = SIZE_MAX;  // in `heard`, where the beep began
  size_t packetsLost = 0;
  std::string trouble;             // what went wrong at the SIP level, if anything
  std::string answer;              // the line's 200 OK to the INVITE
  std::vector<HeardEvent> events;  // telephone-event packets the line sent, in order
  std::vector<int> infoAnswers;    // the status of each INFO's final answer
  bool keysSent = false;
};

// Calls sip:desk@`line` (host:port) as "Carl Caller" <sip:5550177@...> and plays `script`;
// returns once the call is over or `seconds` have passed.
CallerReport CallAndSpeak(const std::string &line, const CallerScript &script, int seconds);

}  // namespace sip_test
