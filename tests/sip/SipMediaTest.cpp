// The sound of a SIP call: G.711 both ways, and the queues between the wave devices and RTP.
#include <gtest/gtest.h>

#include <cstdlib>

#include "providers/sip/CallAudio.h"
#include "providers/sip/G711.h"

namespace {

using sipnet::CallAudio;
using sipnet::Codec;

class G711 : public ::testing::TestWithParam<Codec> {};

TEST_P(G711, EverySampleComesBackWithinTheCodecsStep) {
  std::vector<int16_t> samples;
  for (int value = -32768; value <= 32767; value += 7)
    samples.push_back(static_cast<int16_t>(value));
  samples.push_back(-32768);  // the encoders' tables end before its magnitude
  samples.push_back(32767);
  const auto decoded = sipnet::Decode(GetParam(), sipnet::Encode(GetParam(), samples));
  ASSERT_EQ(decoded.size(), samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    // Logarithmic steps: at most about 1/16 of the magnitude, and never more than 1024.
    const int allowed = std::max(32, std::min(1024, std::abs(samples[i]) / 16 + 32));
    ASSERT_LE(std::abs(decoded[i] - samples[i]), allowed) << samples[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Laws, G711, ::testing::Values(Codec::Pcmu, Codec::Pcma));

TEST(CallAudio, WhatArrivesIsRecordedInOrderAndSilenceFillsTheRest) {
  CallAudio audio;
  audio.Received(std::vector<int16_t>{1, 2, 3});
  std::vector<int16_t> recorded(5, 99);
  audio.Capture(recorded);
  EXPECT_EQ(recorded, (std::vector<int16_t>{1, 2, 3, 0, 0}));
}

TEST(CallAudio, WhatIsPlayedIsSentInOrderAndSilenceFillsTheRest) {
  CallAudio audio;
  audio.Played(std::vector<int16_t>{4, 5});
  EXPECT_EQ(audio.NextToSend(3), (std::vector<int16_t>{4, 5, 0}));
  EXPECT_EQ(audio.NextToSend(2), (std::vector<int16_t>{0, 0}));
}

TEST(CallAudio, AQueueThatIsNotTakenKeepsOnlyTheNewestSound) {
  CallAudio audio;
  std::vector<int16_t> second(CallAudio::kRate, 1);
  for (int i = 0; i < 3; ++i) {
    std::fill(second.begin(), second.end(), static_cast<int16_t>(i + 1));
    audio.Received(second);
  }
  std::vector<int16_t> recorded(CallAudio::kMaxQueued + 1);
  audio.Capture(recorded);
  EXPECT_EQ(recorded.front(), 2);
  EXPECT_EQ(recorded[CallAudio::kMaxQueued - 1], 3);
  EXPECT_EQ(recorded.back(), 0);
}

TEST(CallAudio, ABeepIsAThousandHertzToneOfItsLength) {
  CallAudio audio;
  audio.Beep(100);
  const auto sent = audio.NextToSend(CallAudio::kRate);
  size_t crossings = 0;
  for (size_t i = 1; i < 800; ++i) crossings += (sent[i - 1] < 0) != (sent[i] < 0);
  EXPECT_NEAR(static_cast<double>(crossings), 200.0, 2.0);  // 100 ms of 1 kHz
  EXPECT_NE(sent[799], 0);
  EXPECT_EQ(sent[800], 0);
}

TEST(CallAudio, ABeepWithNoLengthHasTheProvidersOwn) {
  CallAudio audio;
  audio.Beep(0);  // as the recorder asks for it
  const auto sent = audio.NextToSend(CallAudio::kRate);
  EXPECT_NE(sent[2399], 0);  // 300 ms
  EXPECT_EQ(sent[2400], 0);
}

}  // namespace
