// A SIP caller of our own, in process, over UDP on the loopback: it calls the line, hears what
// the line sends (G.711 µ-law), and says one sound until it hears the beep, a second after it
// and a third last, then hangs up at once; on the way its packets may be lost, and what it says
// after the beep may come from a new RTP source, or all from another port than its SDP says.
// It keeps to real time as a telephone does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

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
};

struct CallerReport {
  bool answered = false;
  bool hungUpOn = false;  // the line hung up first
  std::vector<int16_t> heard;
  size_t beepHeardAt = SIZE_MAX;  // in `heard`, where the beep began
  size_t packetsLost = 0;
  std::string trouble;  // what went wrong at the SIP level, if anything
  std::string answer;   // the line's 200 OK to the INVITE
};

// Calls sip:desk@`line` (host:port) as "Carl Caller" <sip:5550177@...> and plays `script`;
// returns once the call is over or `seconds` have passed.
CallerReport CallAndSpeak(const std::string &line, const CallerScript &script, int seconds);

}  // namespace sip_test
