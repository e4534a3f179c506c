// Touch tones of a SIP call, piece by piece: the RFC 4733 payload against known bytes, the
// receiver that makes each event one digit whatever packets repeat or go missing, the sender's
// packets and their durations, INFO dtmf-relay bodies, and the in-band tones a call sends
// and detects through G.711.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "providers/sip/CallDigits.h"
#include "providers/sip/DtmfRelay.h"
#include "providers/sip/EventReceiver.h"
#include "providers/sip/EventSender.h"
#include "providers/sip/G711.h"
#include "providers/sip/TelephoneEvent.h"
#include "tests/support/AudioSignals.h"

namespace {

using sipnet::EventReceiver;
using sipnet::EventSender;
using sipnet::TelephoneEvent;

// --- The payload ---------------------------------------------------------------------------

TEST(TelephoneEvent, PayloadsHaveTheirKnownBytes) {
  // '#' (11), ended, at -10 dBm0, 800 samples (100 ms).
  const std::vector<uint8_t> bytes = {0x0B, 0x8A, 0x03, 0x20};
  const auto event = sipnet::ParseEvent(bytes);
  ASSERT_TRUE(event);
  EXPECT_EQ(event->code, 11);
  EXPECT_TRUE(event->end);
  EXPECT_EQ(event->volume, 10);
  EXPECT_EQ(event->duration, 800);
  const auto encoded = sipnet::EncodeEvent({5, false, 7, 0x1234});
  EXPECT_EQ(std::vector<uint8_t>(encoded.begin(), encoded.end()),
            (std::vector<uint8_t>{0x05, 0x07, 0x12, 0x34}));
  EXPECT_FALSE(sipnet::ParseEvent(std::vector<uint8_t>{0x05, 0x07, 0x12})) << "too short";
}

TEST(TelephoneEvent, TheSixteenDigitsHaveCodesZeroToFifteen) {
  const std::string digits = "0123456789*#ABCD";
  for (uint8_t code = 0; code < digits.size(); ++code) {
    EXPECT_EQ(sipnet::DigitOfEvent(code), digits[code]);
    EXPECT_EQ(sipnet::EventOfDigit(digits[code]), code);
  }
  EXPECT_EQ(sipnet::DigitOfEvent(16), 0) << "flash is no digit";
  EXPECT_EQ(sipnet::DigitOfEvent(255), 0);
  EXPECT_FALSE(sipnet::EventOfDigit(','));
  EXPECT_FALSE(sipnet::EventOfDigit('a'));
}

// --- Receiving ------------------------------------------------------------------------------

struct TPacket {
  uint32_t timestamp;
  uint8_t code;
  bool end;
  uint32_t ssrc = 1;
};

struct TReceiveCase {
  const char *name;
  std::vector<TPacket> packets;
  std::string edges;  // "5 5. " : a digit beginning, then ending (.)
};

class EventReceiving : public ::testing::TestWithParam<TReceiveCase> {};

TEST_P(EventReceiving, EachEventIsOneDigitBegunAndEndedOnce) {
  EventReceiver receiver;
  std::string edges;
  for (const TPacket &packet : GetParam().packets) {
    for (const auto &edge :
         receiver.Arrived(packet.ssrc, packet.timestamp, {packet.code, packet.end, 10, 160})) {
      edges += edge.digit;
      edges += edge.ended ? ". " : " ";
    }
  }
  EXPECT_EQ(edges, GetParam().edges);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, EventReceiving,
    ::testing::Values(
        TReceiveCase{"Plain", {{100, 5, false}, {100, 5, false}, {100, 5, true}}, "5 5. "},
        TReceiveCase{"ThreeEndPackets",
                     {{100, 1, false},
                      {100, 1, true},
                      {100, 1, true},
                      {100, 1, true},
                      {900, 2, false},
                      {900, 2, true},
                      {900, 2, true},
                      {900, 2, true}},
                     "1 1. 2 2. "},
        TReceiveCase{"EveryPacketTwice",
                     {{100, 1, false},
                      {100, 1, false},
                      {100, 1, true},
                      {100, 1, true},
                      {500, 1, false},
                      {500, 1, false},
                      {500, 1, true},
                      {500, 1, true}},
                     "1 1. 1 1. "},
        TReceiveCase{"OnlyEndPacketsArrive", {{100, 11, true}, {100, 11, true}}, "# #. "},
        TReceiveCase{
            "EndPacketsLost", {{100, 3, false}, {900, 4, false}, {900, 4, true}}, "3 3. 4 4. "},
        TReceiveCase{"AStragglerOfTheEventBefore",
                     {{100, 3, true}, {900, 4, false}, {100, 3, true}, {900, 4, true}},
                     "3 3. 4 4. "},
        TReceiveCase{"ANewSourceStartsAfresh",
                     {{90000, 6, true}, {100, 7, true, 2}, {100, 7, true, 2}},
                     "6 6. 7 7. "},
        TReceiveCase{
            "EventsThatAreNoDigits", {{100, 16, false}, {100, 16, true}, {200, 200, true}}, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EventReceiving, AFloodOfEventsIsEachDigitOnceInOrder) {
  EventReceiver receiver;
  std::string begun;
  size_t ended = 0;
  for (uint32_t event = 0; event < 1000; ++event) {
    const uint8_t code = static_cast<uint8_t>(event % 16);
    for (int copy = 0; copy < 3; ++copy) {
      for (const auto &edge : receiver.Arrived(1, 1000 + event * 8, {code, true, 10, 8})) {
        if (edge.ended)
          ++ended;
        else
          begun += edge.digit;
      }
    }
  }
  std::string expected;
  for (uint32_t event = 0; event < 1000; ++event) expected += "0123456789*#ABCD"[event % 16];
  EXPECT_EQ(begun, expected);
  EXPECT_EQ(ended, 1000u);
}

// --- Sending --------------------------------------------------------------------------------

// The packets of `frames` frames from RTP timestamp 1000, as "frame:digit/duration[E][M]".
std::vector<std::string> Sent(EventSender &sender, size_t frames) {
  std::vector<std::string> sent;
  for (size_t frame = 0; frame < frames; ++frame) {
    const uint32_t timestamp = 1000 + static_cast<uint32_t>(frame) * 160;
    for (const EventSender::Packet &packet : sender.Next(timestamp)) {
      std::string text = std::to_string(frame) + ":" + sipnet::DigitOfEvent(packet.event.code) +
                         "/" + std::to_string(packet.event.duration);
      if (packet.event.end) text += "E";
      if (packet.marker) text += "M";
      // Every packet of an event carries the timestamp of its first frame.
      text += "@" + std::to_string((packet.timestamp - 1000) / 160);
      sent.push_back(text);
    }
  }
  return sent;
}

TEST(EventSending, EachDigitIsOneEventWithItsDurationAndThreeEndPackets) {
  EventSender sender;
  sender.Send("1#", 100, 100, 2000);
  EXPECT_FALSE(sender.Done());
  EXPECT_EQ(Sent(sender, 22),
            (std::vector<std::string>{"0:1/160M@0", "1:1/320@0", "2:1/480@0", "3:1/640@0",
                                      "4:1/800E@0", "4:1/800E@0", "4:1/800E@0",  // 100 ms
                                      // 100 ms of gap, then the next digit
                                      "10:#/160M@10", "11:#/320@10", "12:#/480@10", "13:#/640@10",
                                      "14:#/800E@10", "14:#/800E@10", "14:#/800E@10"}));
  EXPECT_TRUE(sender.Done()) << "the gap after the last digit is over";
}

TEST(EventSending, ToneLengthsThatAreNoWholeFramesEndOnTheirOwnDuration) {
  EventSender sender;
  sender.Send("7", 50, 40, 2000);
  EXPECT_EQ(Sent(sender, 6), (std::vector<std::string>{"0:7/160M@0", "1:7/320@0", "2:7/400E@0",
                                                       "2:7/400E@0", "2:7/400E@0"}));
  EXPECT_TRUE(sender.Done());
}

TEST(EventSending, APauseSendsNothingForItsLength) {
  EventSender sender;
  sender.Send(",5", 40, 40, 100);
  EXPECT_EQ(Sent(sender, 10),
            (std::vector<std::string>{"5:5/160M@5", "6:5/320E@5", "6:5/320E@5", "6:5/320E@5"}));
}

TEST(EventSending, StoppingATonesMidwayEndsItAtOnceAndSendsNoMore) {
  EventSender sender;
  sender.Send("98", 200, 100, 2000);
  EXPECT_EQ(Sent(sender, 2).size(), 2u);
  sender.Stop();
  EXPECT_EQ(Sent(sender, 30), (std::vector<std::string>{"0:9/320E@0", "0:9/320E@0", "0:9/320E@0"}));
  EXPECT_TRUE(sender.Done());
}

TEST(EventSending, NewDigitsReplaceThoseStillToBeSent) {
  EventSender sender;
  sender.Send("1234", 40, 40, 2000);
  EXPECT_EQ(Sent(sender, 3).size(), 4u) << "the 1 and its end packets";
  sender.Send("5", 40, 40, 2000);
  EXPECT_EQ(Sent(sender, 10),
            (std::vector<std::string>{"0:5/160M@0", "1:5/320E@0", "1:5/320E@0", "1:5/320E@0"}));
}

// --- INFO ----------------------------------------------------------------------------------

struct TRelayCase {
  const char *body;
  char digit;  // 0: none
};

class DtmfRelay : public ::testing::TestWithParam<TRelayCase> {};

TEST_P(DtmfRelay, TheSignalIsTheDigit) {
  const auto digit = sipnet::ParseDtmfRelay(GetParam().body);
  EXPECT_EQ(digit.value_or(0), GetParam().digit) << GetParam().body;
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, DtmfRelay,
    ::testing::Values(TRelayCase{"Signal=5\r\nDuration=160\r\n", '5'},
                      TRelayCase{"Signal= #\nDuration= 250\n", '#'},
                      TRelayCase{"signal=*\r\n", '*'},
                      TRelayCase{"Duration=160\r\nSignal=d\r\n", 'D'},
                      TRelayCase{"Signal=10\r\n", '*'}, TRelayCase{"Signal=11\r\n", '#'},
                      TRelayCase{"Signal=15\r\n", 'D'}, TRelayCase{"Signal=16\r\n", 0},
                      TRelayCase{"Signal=\r\n", 0}, TRelayCase{"Signal=55\r\n", 0},
                      TRelayCase{"Duration=160\r\n", 0}, TRelayCase{"", 0},
                      TRelayCase{"\x01\x02=\xff", 0}));

// --- In the sound ---------------------------------------------------------------------------

struct THeard {
  std::string begun;
  std::string ended;
};

// What one call's generated tones are heard as by another's detector, through G.711 `codec`
// with a caller's voice (a sweep clear of the digits' eight frequencies) before them.
class InBand : public ::testing::TestWithParam<sipnet::Codec> {};

TEST_P(InBand, DigitsGeneratedIntoTheSoundAreDetectedOnceEachAtTheFarEnd) {
  THeard heard;
  bool sent = false;
  sipnet::CallDigits sender({[](char, bool) {}, [&] { sent = true; }});
  sipnet::CallDigits receiver(
      {[&](char digit, bool ended) { (ended ? heard.ended : heard.begun) += digit; }, [] {}});
  const auto voice = audio_test::Sweep(100, 300, 4, 3000);
  size_t frame = 0;
  const auto pass = [&] {
    const size_t at = frame * 160 % (voice.size() - 160);
    std::vector<int16_t> sound(voice.begin() + static_cast<ptrdiff_t>(at),
                               voice.begin() + static_cast<ptrdiff_t>(at + 160));
    EXPECT_TRUE(sender.Frame(static_cast<uint32_t>(frame * 160), sound).empty()) << "no events";
    receiver.Heard(sipnet::Decode(GetParam(), sipnet::Encode(GetParam(), sound)));
    ++frame;
  };
  for (int i = 0; i < 10; ++i) pass();
  sender.Send("1A,#9", 60, 300);
  const size_t from = frame;
  while (!sent && frame < from + 200) pass();
  ASSERT_TRUE(sent);
  // 4 digits of 60 + 60 ms and a 300 ms pause: 780 ms, 39 frames.
  EXPECT_EQ(frame - from, 39u);
  for (int i = 0; i < 10; ++i) pass();
  EXPECT_EQ(heard.begun, "1A#9");
  EXPECT_EQ(heard.ended, "1A#9");
}

INSTANTIATE_TEST_SUITE_P(Laws, InBand, ::testing::Values(sipnet::Codec::Pcmu, sipnet::Codec::Pcma),
                         [](const auto &info) {
                           return std::string(sipnet::CodecName(info.param));
                         });

TEST(CallDigits, AfterEventsAreAgreedTheDigitsGoAsEventsAndTheSoundIsLeftAlone) {
  bool sent = false;
  std::string heard;
  sipnet::CallDigits digits({[&](char digit, bool ended) {
                               if (!ended) heard += digit;
                             },
                             [&] { sent = true; }});
  digits.UseEvents(96);
  digits.Send("4", 40, 2000);
  std::vector<int16_t> sound = audio_test::Sweep(300, 3300, 0.02);
  const auto before = sound;
  EXPECT_EQ(digits.Frame(0, sound).size(), 1u);
  EXPECT_EQ(digits.Frame(160, sound).size(), 3u) << "the end packets";
  EXPECT_EQ(sound, before);
  EXPECT_FALSE(sent) << "its gap is still to come";
  digits.Frame(320, sound);
  digits.Frame(480, sound);
  EXPECT_TRUE(sent);
  // Tones in the sound are not digits once events are agreed: the events alone count.
  dtmf::Generator tones;
  tones.Queue("4");
  std::vector<int16_t> tone(1600);
  tones.Render(tone);
  digits.Heard(tone);
  EXPECT_EQ(heard, "");
  const std::vector<uint8_t> event = {4, 0x8A, 0, 160};
  digits.EventArrived(5, 777, event);
  digits.EventArrived(5, 777, event);
  EXPECT_EQ(heard, "4");
}

}  // namespace
