// The sound of a SIP call: G.711 against known answers and an independent decoder (sox), what
// a wave-in device hears of a call in time, and the playout that puts RTP packets in place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "Clock.h"
#include "providers/sip/CallAudio.h"
#include "providers/sip/G711.h"
#include "providers/sip/Playout.h"
#include "tests/component/TestSupport.h"
#include "tests/support/AudioSignals.h"

namespace {

using sipnet::CallAudio;
using sipnet::Codec;
using sipnet::Playout;

// --- G.711 ---------------------------------------------------------------------------------

struct TLawAnswer {
  Codec codec;
  int16_t sample;
  uint8_t code;
  int16_t decoded;  // the code's level
};

class G711Answers : public ::testing::TestWithParam<TLawAnswer> {};

TEST_P(G711Answers, ZeroAndTheTablesEdgesHaveTheirCodes) {
  const TLawAnswer &a = GetParam();
  EXPECT_EQ(sipnet::Encode(a.codec, std::vector<int16_t>{a.sample})[0], a.code);
  EXPECT_EQ(sipnet::Decode(a.codec, std::vector<uint8_t>{a.code})[0], a.decoded);
}

INSTANTIATE_TEST_SUITE_P(KnownAnswers, G711Answers,
                         ::testing::Values(TLawAnswer{Codec::Pcmu, 0, 0xFF, 0},
                                           TLawAnswer{Codec::Pcmu, -1, 0x7F, 0},
                                           TLawAnswer{Codec::Pcmu, 32767, 0x80, 32124},
                                           TLawAnswer{Codec::Pcmu, -32768, 0x00, -32124},
                                           TLawAnswer{Codec::Pcmu, 100, 0xF2, 104},
                                           TLawAnswer{Codec::Pcma, 0, 0xD5, 8},
                                           TLawAnswer{Codec::Pcma, -1, 0x55, -8},
                                           TLawAnswer{Codec::Pcma, 32767, 0xAA, 32256},
                                           TLawAnswer{Codec::Pcma, -32768, 0x2A, -32256},
                                           TLawAnswer{Codec::Pcma, 100, 0xD3, 104}));

// What sox makes of G.711 bytes, as 16-bit samples.
std::vector<int16_t> SoxDecode(Codec codec, const std::vector<uint8_t> &bytes) {
  component_test::TScratchFolder folder;
  const auto encoded = folder.Path("in.raw");
  const auto decoded = folder.Path("out.wav");
  std::ofstream(encoded, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  const std::string command = std::string("sox -t ") + (codec == Codec::Pcmu ? "ul" : "al") +
                              " -r 8000 -c 1 '" + encoded.string() + "' -b 16 -e signed-integer '" +
                              decoded.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return audio_test::ReadWave(decoded);
}

class G711 : public ::testing::TestWithParam<Codec> {};

TEST_P(G711, EveryCodeDecodesAsAnIndependentDecoderHasIt) {
  std::vector<uint8_t> codes(256);
  for (int code = 0; code < 256; ++code)
    codes[static_cast<size_t>(code)] = static_cast<uint8_t>(code);
  EXPECT_EQ(sipnet::Decode(GetParam(), codes), SoxDecode(GetParam(), codes));
}

TEST_P(G711, EverySampleIsEncodedToTheLevelNearestWithinItsStep) {
  std::vector<int16_t> samples;
  for (int value = -32768; value <= 32767; ++value) samples.push_back(static_cast<int16_t>(value));
  const auto heard = SoxDecode(GetParam(), sipnet::Encode(GetParam(), samples));
  ASSERT_EQ(heard.size(), samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    // Logarithmic steps: about 1/16 of the magnitude, never more than 1024.
    const int allowed = std::max(16, std::min(1024, std::abs(samples[i]) / 16 + 16));
    ASSERT_LE(std::abs(heard[i] - samples[i]), allowed) << samples[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Laws, G711, ::testing::Values(Codec::Pcmu, Codec::Pcma));

// --- A call's sound ------------------------------------------------------------------------

constexpr double kAt = 10000;  // ms on the platform clock where the tests' calls begin

TEST(CallAudio, AWaveInDeviceHearsOnlyTheStretchItsTimeCoversNothingFromBeforeItsStart) {
  CallAudio audio;
  const auto said = audio_test::Sweep(300, 3300, 2);
  audio.Heard(CallAudio::SampleAt(kAt), said);
  // Started a second into the call: the first second is not heard, however long it waited.
  std::vector<int16_t> heard(4000, 99);
  EXPECT_EQ(audio.Capture(kAt + 1000, heard), heard.size());
  EXPECT_EQ(heard, std::vector<int16_t>(said.begin() + 8000, said.begin() + 12000));
  // Before the call, silence.
  std::vector<int16_t> before(800, 99);
  audio.Capture(kAt - 100, before);
  EXPECT_EQ(audio_test::Rms(before), 0);
}

TEST(CallAudio, ACaptureSaysHowFarTheLineCarriedUntilTheCallEnds) {
  CallAudio audio;
  const auto said = audio_test::Sweep(300, 3300, 1);
  audio.Heard(CallAudio::SampleAt(kAt), said);
  std::vector<int16_t> heard(16000);
  EXPECT_EQ(audio.Capture(kAt + 500, heard), 4000u) << "what has arrived so far";
  audio.End(CallAudio::SampleAt(kAt + 750));
  audio.Heard(CallAudio::SampleAt(kAt + 1000), said);  // nothing after the end
  EXPECT_EQ(audio.Capture(kAt + 500, heard), 2000u);
  EXPECT_EQ(std::vector<int16_t>(heard.begin(), heard.begin() + 2000),
            std::vector<int16_t>(said.begin() + 4000, said.begin() + 6000));
  EXPECT_EQ(audio_test::Rms(std::span(heard).subspan(2000)), 0);
}

// The hang-up waits until a reset would keep the last word: the buffer before the one that
// holds it must have been taken.
TEST(CallAudio, ADeviceRunningLateHasYetToTakeTheBuffersBeforeTheLastWord) {
  CallAudio audio;
  EXPECT_TRUE(audio.TakenBefore(CallAudio::SampleAt(kAt), kAt)) << "no device records";
  std::vector<int16_t> buffer(8000);
  const double taken = win32::VirtualNow();
  audio.Capture(kAt, buffer);
  const auto lastWord = [](double at) { return CallAudio::SampleAt(kAt + at); };
  EXPECT_FALSE(audio.TakenBefore(lastWord(1500), taken + 10))
      << "handed back a moment ago: the application may not have it yet";
  EXPECT_TRUE(audio.TakenBefore(lastWord(1500), taken + 200)) << "in the next buffer";
  EXPECT_FALSE(audio.TakenBefore(lastWord(2500), taken + 200)) << "a buffer later still";
  EXPECT_TRUE(audio.TakenBefore(lastWord(2500), taken + 2500)) << "no device records now";
}

TEST(CallAudio, WhatIsPlayedIsSentInOrderAndNothingAfterTheCallEnds) {
  CallAudio audio;
  const auto played = audio_test::Sweep(300, 3300, 0.1);
  audio.Played(played);
  EXPECT_EQ(audio.NextToSend(400), std::vector<int16_t>(played.begin(), played.begin() + 400));
  EXPECT_EQ(audio.NextToSend(800),
            audio_test::Concat({std::span(played).subspan(400), std::vector<int16_t>(400)}));
  audio.End(0);
  audio.Played(played);
  EXPECT_EQ(audio_test::Rms(audio.NextToSend(800)), 0);
}

// The wave-out device hands its sound over 20 ms at a time, and may run a little late: what it
// plays goes out once enough of it waits, so that the far end hears it without gaps.
TEST(CallAudio, SoundHandedOverBitByBitGoesOutWithoutGaps) {
  CallAudio audio;
  const auto played = audio_test::Sweep(300, 3300, 0.2);
  const auto stretch = [&](size_t i) { return std::span(played).subspan(i * 160, 160); };
  audio.Played(stretch(0));
  EXPECT_EQ(audio_test::Rms(audio.NextToSend(160)), 0) << "too little waits yet";
  for (size_t i = 1; i < 5; ++i) audio.Played(stretch(i));
  std::vector<int16_t> sent;
  for (size_t i = 5; i < 10; ++i) {
    const auto frame = audio.NextToSend(160);
    sent.insert(sent.end(), frame.begin(), frame.end());
    audio.Played(stretch(i));  // late, but while what waits still lasts
  }
  for (size_t i = 0; i < 5; ++i) {
    const auto frame = audio.NextToSend(160);
    sent.insert(sent.end(), frame.begin(), frame.end());
  }
  EXPECT_EQ(sent, played);
}

TEST(CallAudio, ABeepIsAThousandHertzToneOfItsLengthSentOnceTheCallIsHeard) {
  CallAudio audio;
  const double asked = win32::VirtualNow();
  audio.Beep(100, asked);
  EXPECT_EQ(audio_test::Rms(audio.NextToSend(800)), 0) << "no device hears the call yet";
  audio.Listening();
  const auto sent = audio.NextToSend(CallAudio::kRate);
  EXPECT_TRUE(audio_test::Dominant(std::span(sent).first(800), audio_test::kBeepHz));
  EXPECT_NE(sent[799], 0);
  EXPECT_EQ(audio_test::Rms(std::span(sent).subspan(800)), 0);
  // With no device to wait for, it goes out a moment after it was asked for.
  CallAudio unheard;
  unheard.Beep(100, asked - CallAudio::kBeepWaitMs);
  EXPECT_TRUE(audio_test::Dominant(unheard.NextToSend(800), audio_test::kBeepHz));
}

// --- The playout ---------------------------------------------------------------------------

constexpr size_t kFrame = 160;
const int64_t kStart = CallAudio::SampleAt(kAt);

// A caller sending `said` in 20 ms packets from `seq` and `timestamp` on, each arriving as it
// was said (the packet's last sample at its arrival), some of them lost.
class Sender {
 public:
  Sender(Playout &playout, uint32_t ssrc, uint16_t seq, uint32_t timestamp)
      : playout_(playout), ssrc_(ssrc), seq_(seq), timestamp_(timestamp) {}
  void Send(std::span<const int16_t> said, int64_t from, const std::set<size_t> &lost = {}) {
    for (size_t i = 0; i * kFrame < said.size(); ++i) {
      const auto frame = said.subspan(i * kFrame, std::min(kFrame, said.size() - i * kFrame));
      const int64_t arrival = from + static_cast<int64_t>((i + 1) * kFrame);
      playout_.Advance(arrival);
      if (!lost.contains(i)) {
        playout_.Arrived({ssrc_, seq_, timestamp_, {frame.begin(), frame.end()}}, arrival);
      }
      ++seq_;
      timestamp_ += kFrame;
    }
  }

 private:
  Playout &playout_;
  uint32_t ssrc_;
  uint16_t seq_;
  uint32_t timestamp_;
};

std::vector<int16_t> HeardFrom(CallAudio &audio, int64_t from, size_t count) {
  std::vector<int16_t> heard(count);
  audio.Capture(static_cast<double>(from) / 8, heard);
  return heard;
}

TEST(Playout, PacketsAreHeardWhereTheyWereSaidAndAHangUpHandsOverTheLast) {
  auto audio = std::make_shared<CallAudio>();
  Playout playout(audio);
  const auto said = audio_test::Sweep(300, 3300, 1);
  Sender(playout, 7, 100, 5000).Send(said, kStart);
  const int64_t end = playout.Finish(kStart + 8000);
  EXPECT_EQ(end, kStart + 8000) << "the last packet is heard, up to its last sample";
  EXPECT_EQ(HeardFrom(*audio, kStart, 8000), said);
}

TEST(Playout, ANewSourceWhoseSequenceNumbersAreBehindIsANewStreamNotLatePackets) {
  for (const uint16_t seq : {uint16_t{40}, uint16_t{150}, uint16_t{30000}}) {
    SCOPED_TRACE(seq);
    auto audio = std::make_shared<CallAudio>();
    Playout playout(audio);
    const auto first = audio_test::Sweep(300, 600, 1);
    const auto second = audio_test::Sweep(1300, 2300, 1);
    Sender(playout, 7, 100, 5000).Send(first, kStart);
    Sender(playout, 8, seq, 123).Send(second, kStart + 8000);
    EXPECT_EQ(playout.Finish(kStart + 16000), kStart + 16000);
    EXPECT_EQ(HeardFrom(*audio, kStart, 16000), audio_test::Concat({first, second}));
  }
}

TEST(Playout, ALostPacketIsConcealedInItsPlaceAndTheTimelineIsKept) {
  auto audio = std::make_shared<CallAudio>();
  Playout playout(audio);
  const auto said = audio_test::Sweep(400, 600, 1);
  Sender(playout, 7, 100, 5000).Send(said, kStart, {10, 11, 12, 30});
  playout.Finish(kStart + 8000);
  const auto heard = HeardFrom(*audio, kStart, 8000);
  const auto gap = std::span(heard).subspan(10 * kFrame, 3 * kFrame);
  EXPECT_GT(audio_test::Rms(gap), 50) << "never silence while the caller talks";
  EXPECT_NEAR(audio_test::DominantFrequency(gap.first(kFrame)), 440, 80) << "the voice carried on";
  // After each gap the sound is in its place again.
  EXPECT_EQ(std::vector<int16_t>(heard.begin() + 14 * kFrame, heard.begin() + 30 * kFrame),
            std::vector<int16_t>(said.begin() + 14 * kFrame, said.begin() + 30 * kFrame));
  EXPECT_EQ(std::vector<int16_t>(heard.begin() + 32 * kFrame, heard.end()),
            std::vector<int16_t>(said.begin() + 32 * kFrame, said.end()));
}

TEST(Playout, GapsOfAFewSamplesAreConcealedWithoutDisturbingWhatCame) {
  auto audio = std::make_shared<CallAudio>();
  Playout playout(audio);
  const auto said = audio_test::Sweep(400, 600, 1);
  uint32_t timestamp = 5000;
  for (size_t i = 0; i * kFrame < said.size(); ++i, timestamp += kFrame) {
    const int64_t arrival = kStart + static_cast<int64_t>((i + 1) * kFrame);
    playout.Advance(arrival);
    // After the first, each packet is a few samples short of the 20 ms its timestamp covers.
    const auto frame = std::span(said).subspan(i * kFrame, kFrame - (i == 0 ? 0 : 3 + i % 7));
    playout.Arrived({7, static_cast<uint16_t>(i), timestamp, {frame.begin(), frame.end()}},
                    arrival);
  }
  playout.Finish(kStart + static_cast<int64_t>(said.size()));
  const auto heard = HeardFrom(*audio, kStart, said.size());
  for (size_t i = 1; i * kFrame < said.size(); ++i) {
    const size_t at = i * kFrame + 40;  // past the smoothing after a gap
    EXPECT_EQ(std::vector<int16_t>(heard.begin() + at, heard.begin() + at + 100),
              std::vector<int16_t>(said.begin() + at, said.begin() + at + 100));
  }
}

TEST(Playout, ACallerWhoStopsSendingFallsSilentAfterAMoment) {
  auto audio = std::make_shared<CallAudio>();
  Playout playout(audio);
  const auto said = audio_test::Sweep(400, 600, 0.5);
  Sender(playout, 7, 100, 5000).Send(said, kStart);
  for (int64_t now = kStart + 4000; now <= kStart + 12000; now += kFrame) playout.Advance(now);
  const auto after = HeardFrom(*audio, kStart + 4000, 8000 - Playout::kJitterSamples);
  EXPECT_GT(audio_test::Rms(std::span(after).first(800)), 50) << "concealed at first";
  EXPECT_EQ(audio_test::Rms(std::span(after).subspan(4000)), 0) << "then silent";
}

}  // namespace
