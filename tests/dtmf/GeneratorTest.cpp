// The touch-tone generator: each digit's two frequencies at the level and for the time asked,
// gaps and pauses silent, whatever the blocks the sound is taken in.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dtmf/Detector.h"
#include "dtmf/Generator.h"
#include "tests/dtmf/Signals.h"

namespace dtmf_test {
namespace {

constexpr size_t kSamplesPerMs = 8;

// Everything queued, taken in blocks of `block` samples.
std::vector<int16_t> RenderAll(dtmf::Generator &generator, size_t block) {
  std::vector<int16_t> sound;
  std::vector<int16_t> part(block);
  for (;;) {
    const size_t made = generator.Render(part);
    sound.insert(sound.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(made));
    if (made < block) return sound;
  }
}

std::span<const int16_t> Stretch(const std::vector<int16_t> &sound, size_t fromMs, size_t toMs) {
  return std::span<const int16_t>(sound).subspan(fromMs * kSamplesPerMs,
                                                 (toMs - fromMs) * kSamplesPerMs);
}

// The digit's two tones at the level, and the other touch-tone frequencies far below it.
void ExpectDigit(std::span<const int16_t> tone, char digit, double dbm0) {
  for (const double hz : {kRows[0], kRows[1], kRows[2], kRows[3], kColumns[0], kColumns[1],
                          kColumns[2], kColumns[3]}) {
    if (hz == RowOf(digit) || hz == ColumnOf(digit)) {
      EXPECT_NEAR(LevelAt(tone, hz), dbm0, 0.5) << hz << " Hz";
    } else {
      EXPECT_LT(LevelAt(tone, hz), dbm0 - 30) << hz << " Hz";
    }
  }
}

void ExpectSilent(std::span<const int16_t> gap) {
  EXPECT_TRUE(std::all_of(gap.begin(), gap.end(), [](int16_t s) { return s == 0; }));
}

TEST(DtmfGenerator, TonesGapsAndPausesAtTheirTimesAndLevel) {
  for (const size_t block : {size_t{1}, size_t{37}, size_t{160}, size_t{8000}}) {
    SCOPED_TRACE("blocks of " + std::to_string(block));
    dtmf::Generator generator({.toneMs = 50, .gapMs = 60, .pauseMs = 300}, -12);
    ASSERT_TRUE(generator.Queue("1,#"));
    ASSERT_TRUE(generator.Queue("D"));
    EXPECT_FALSE(generator.Done());
    const std::vector<int16_t> sound = RenderAll(generator, block);
    EXPECT_TRUE(generator.Done());
    // 1: 0-50 tone, 50-110 gap; pause 110-410; #: 410-460, gap to 520; D: 520-570, to 630.
    ASSERT_EQ(sound.size(), 630 * kSamplesPerMs);
    // Each tone judged well inside it, clear of its rise and fall.
    ExpectDigit(Stretch(sound, 5, 45), '1', -12);
    ExpectSilent(Stretch(sound, 52, 410));
    ExpectDigit(Stretch(sound, 415, 455), '#', -12);
    ExpectSilent(Stretch(sound, 462, 520));
    ExpectDigit(Stretch(sound, 525, 565), 'D', -12);
    ExpectSilent(Stretch(sound, 572, 630));
  }
}

TEST(DtmfGenerator, RefusesCharactersNoToneCarriesAndClearsWhatIsLeft) {
  dtmf::Generator generator;
  EXPECT_FALSE(generator.Queue("12x"));
  EXPECT_FALSE(generator.Queue("a"));
  EXPECT_TRUE(generator.Done());
  std::vector<int16_t> block(160);
  EXPECT_EQ(generator.Render(block), 0u);

  ASSERT_TRUE(generator.Queue("123"));
  EXPECT_EQ(generator.Render(block), 160u);  // into the first tone
  generator.Clear();
  EXPECT_TRUE(generator.Done());
  EXPECT_EQ(generator.Render(block), 0u);

  ASSERT_TRUE(generator.Queue("9"));  // a cleared generator starts afresh
  const std::vector<int16_t> sound = RenderAll(generator, 160);
  ASSERT_EQ(sound.size(), 200 * kSamplesPerMs);
  ExpectDigit(Stretch(sound, 5, 95), '9', -10);
}

TEST(DtmfGenerator, WhatItPlaysTheDetectorHears) {
  dtmf::Generator generator({.toneMs = 40, .gapMs = 40, .pauseMs = 100});
  ASSERT_TRUE(generator.Queue("0123456789*#ABCD,55"));
  std::vector<int16_t> sound = RenderAll(generator, 160);
  AppendSilence(sound, 100);
  dtmf::Detector detector;
  std::string heard;
  for (const dtmf::DigitEdge &edge : detector.Feed(sound)) {
    if (!edge.ended) heard += edge.digit;
  }
  EXPECT_EQ(heard, "0123456789*#ABCD55");
}

}  // namespace
}  // namespace dtmf_test
