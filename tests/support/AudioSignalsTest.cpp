// The checks the audio tests rely on must tell a shifted, cut or doubled stretch from the
// right one.
#include "tests/support/AudioSignals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace audio_test;

TEST(AudioSignals, NoStretchOfASweepRepeatsAnotherAndATonesSequenceKeepsItsOrder) {
  const Samples sweep = Sweep(300, 3000, 2);
  for (size_t at = 0; at + kTenth <= sweep.size(); at += kTenth / 2) {
    EXPECT_EQ(Find(sweep, Span(sweep).subspan(at, kTenth)), at);
  }
  const auto tenths = FrequencyPerTenth(ToneSequence({400, 700, 1300}, 0.2));
  ASSERT_EQ(tenths.size(), 6u);
  for (size_t i = 0; i < tenths.size(); ++i)
    EXPECT_NEAR(tenths[i], (i < 2 ? 400 : i < 4 ? 700 : 1300), 15);
}

TEST(AudioSignals, ASweepKeepsItsLevelAndMovesThroughItsBand) {
  const Samples sweep = Sweep(500, 2500, 1, 8000);
  EXPECT_NEAR(RmsDb(sweep), 20 * std::log10(8000 / std::sqrt(2.0) / 32768), 0.1);
  const auto tenths = FrequencyPerTenth(sweep);
  ASSERT_EQ(tenths.size(), 10u);
  EXPECT_NEAR(tenths.front(), 600, 30);
  EXPECT_NEAR(tenths.back(), 2400, 60);
  EXPECT_TRUE(Dominant(Tone(kBeepHz, 0.1), kBeepHz));
  EXPECT_FALSE(Dominant(Tone(1600, 0.1), kBeepHz));
}

TEST(AudioSignals, TheHeadAndTailChecksFailOnAShiftOrACut) {
  const Samples said = Sweep(300, 3000, 1);
  const Samples late = Concat({Samples(400), said});
  EXPECT_TRUE(BeginsWith(said, said, Path::Exact));
  EXPECT_FALSE(BeginsWith(late, said, Path::Exact));
  EXPECT_TRUE(BeginsWith(late, said, Path::Exact, 400));
  EXPECT_FALSE(BeginsWith(late, said, Path::Lossy, 300));
  EXPECT_TRUE(EndsWith(late, said, Path::Exact));
  const Samples cut(said.begin(), said.end() - 160);
  EXPECT_FALSE(EndsWith(cut, said, Path::Exact, 159));
  EXPECT_FALSE(EndsWith(cut, said, Path::Lossy, 100));
  EXPECT_TRUE(EndsWith(Concat({said, Samples(160)}), said, Path::Exact, 160));
}

TEST(AudioSignals, AlignmentFindsAChangedCopyWhereItIs) {
  const Samples said = Sweep(300, 3000, 0.5);
  Samples heard = Concat({Samples(1234), said, Samples(500)});
  for (auto &sample : heard) sample = static_cast<int16_t>(sample / 16 * 16 + 7);  // coarse steps
  const Alignment found = Align(heard, said);
  EXPECT_EQ(found.offset, 1234u);
  EXPECT_GT(found.correlation, 0.99);
  EXPECT_LT(Correlation(Span(heard).subspan(1234 + 40, said.size()), said), 0.5);
}

// Said from 1000 ms on: sample n at 1000 + n / 8 ms.
TEST(AudioSignals, AStretchStartsAndEndsWhereItWasCutAndIsWholeSampleForSample) {
  const Samples said = Sweep(300, 3000, 3);
  const Span stretch = Span(said).subspan(4000, 8000);  // 1500 to 2500 ms
  const Between start{1499, 1501}, end{2499, 2501};
  EXPECT_TRUE(StretchSaidBetween(stretch, said, 1000, start, end));
  EXPECT_TRUE(StretchSaidBetween(Concat({stretch, Samples(800)}), said, 1000, start, {2490, 2500}))
      << "silence recorded after the line went quiet";
  EXPECT_FALSE(StretchSaidBetween(stretch, said, 1000, start, {2400, 2490})) << "ends later";
  EXPECT_FALSE(StretchSaidBetween(stretch, said, 1000, {1600, 1700}, end)) << "starts earlier";
  EXPECT_FALSE(StretchSaidBetween(stretch.first(7840), said, 1000, start, {2490, 2510}))
      << "its last 20 ms lost";
  const Span block = stretch.subspan(1600, 160);
  EXPECT_FALSE(StretchSaidBetween(Concat({stretch.first(1760), block, stretch.subspan(1760)}), said,
                                  1000, {0, 5000}, {0, 5000}))
      << "a block doubled";
  EXPECT_FALSE(StretchSaidBetween(Concat({Span(said).first(8000), stretch}), said, 1000, {0, 5000},
                                  {0, 5000}))
      << "a second from elsewhere at the head";
  EXPECT_FALSE(StretchSaidBetween(Span(said).subspan(0, 12000), said, 1000, start, end))
      << "what was said before the start, at the head";
  EXPECT_FALSE(StretchSaidBetween(Samples(100), said, 1000, {0, 5000}, {0, 5000}))
      << "nothing said";
}

TEST(AudioSignals, LevelAndPurityTellAToneFromAQuieterOrMixedOne) {
  const Samples tone = Tone(440, 1, 8000);
  const double rms = 8000 / std::sqrt(2.0);
  EXPECT_TRUE(LevelWithin(tone, rms));
  EXPECT_TRUE(LevelWithin(Tone(440, 1, 7200), rms)) << "0.9 dB down";
  EXPECT_FALSE(LevelWithin(Tone(440, 1, 7000), rms)) << "1.2 dB down";
  EXPECT_FALSE(LevelWithin(Tone(440, 1, 9100), rms)) << "1.1 dB up";
  EXPECT_TRUE(PureTone(tone, 440));
  EXPECT_TRUE(NoLeak(tone, 700));
  Samples mixed = tone;
  const Samples other = Tone(700, 1, 400);  // 26 dB below
  for (size_t i = 0; i < mixed.size(); ++i) mixed[i] = static_cast<int16_t>(mixed[i] + other[i]);
  EXPECT_FALSE(PureTone(mixed, 440));
  EXPECT_FALSE(NoLeak(mixed, 700));
  EXPECT_TRUE(NoLeak(mixed, 700, 20));
}

}  // namespace
