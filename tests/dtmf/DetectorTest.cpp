// The touch-tone detector on generated signals: every digit at the levels, twists and speeds a
// receiver must take, at the samples where it was; nothing from speech or from the beep.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dtmf/Detector.h"
#include "tests/dtmf/Signals.h"

namespace dtmf_test {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kSamplesPerMs = 8;

struct Heard {
  std::string digits;
  std::vector<dtmf::DigitEdge> edges;
};

// Feeds the sound and a trailing silence in blocks of `block` samples.
Heard Detect(std::vector<int16_t> sound, size_t block = 160) {
  AppendSilence(sound, 200);
  dtmf::Detector detector;
  Heard heard;
  for (size_t at = 0; at < sound.size(); at += block) {
    const size_t count = std::min(block, sound.size() - at);
    for (const dtmf::DigitEdge &edge : detector.Feed({sound.data() + at, count})) {
      heard.edges.push_back(edge);
      if (!edge.ended) heard.digits += edge.digit;
    }
  }
  EXPECT_EQ(detector.SamplesFed(), sound.size());
  return heard;
}

// Each key in turn, `toneMs` on and `gapMs` off.
std::vector<int16_t> Keys(const std::string &keys, double toneMs, double gapMs, double dbm0,
                          double twistDb = 0) {
  std::vector<int16_t> sound;
  AppendSilence(sound, 50);
  for (const char key : keys) {
    AppendDigit(sound, key, toneMs, dbm0, twistDb);
    AppendSilence(sound, gapMs);
  }
  return sound;
}

TEST(DtmfDetector, EveryDigitAtEveryLevelFromMinus3ToMinus26Dbm0) {
  for (const double dbm0 : {-3.0, -6.0, -10.0, -14.0, -18.0, -22.0, -26.0}) {
    EXPECT_EQ(Detect(Keys(kKeys, 60, 60, dbm0)).digits, kKeys) << dbm0 << " dBm0";
  }
}

TEST(DtmfDetector, TwistUpToEightDbNormalAndFourDbReverse) {
  struct Case {
    double louder;  // dBm0 of the louder tone
    double twistDb;
  };
  for (const Case &c : {Case{-3, 8}, Case{-10, 8}, Case{-18, 8}, Case{-3, -4}, Case{-10, -4},
                        Case{-22, -4}, Case{-14, 5.5}, Case{-14, -2.5}}) {
    EXPECT_EQ(Detect(Keys(kKeys, 60, 60, c.louder, c.twistDb)).digits, kKeys)
        << c.louder << " dBm0, twist " << c.twistDb << " dB";
  }
}

TEST(DtmfDetector, FortyMillisecondTonesWithFortyMillisecondPausesAreSeparateDigits) {
  const std::string keys = std::string(kKeys) + "1111999##00";
  for (const double dbm0 : {-3.0, -14.0, -26.0}) {
    EXPECT_EQ(Detect(Keys(keys, 40, 40, dbm0)).digits, keys) << dbm0 << " dBm0";
  }
  // The same with the louder tone at the twist limits.
  EXPECT_EQ(Detect(Keys(keys, 40, 40, -10, 8)).digits, keys);
  EXPECT_EQ(Detect(Keys(keys, 40, 40, -10, -4)).digits, keys);
}

TEST(DtmfDetector, EachDigitBeginsAndEndsWhereItWas) {
  std::vector<int16_t> sound;
  struct Placed {
    char digit;
    uint64_t begin;
    uint64_t end;
  };
  std::vector<Placed> placed;
  const std::string keys = "5#0D";
  for (size_t i = 0; i < keys.size(); ++i) {
    AppendSilence(sound, 37.0 + 23.0 * static_cast<double>(i));  // never block-aligned
    const uint64_t begin = sound.size();
    AppendDigit(sound, keys[i], 45.0 + 30.0 * static_cast<double>(i), -12);
    placed.push_back({keys[i], begin, sound.size()});
  }
  for (const size_t block : {size_t{1}, size_t{37}, size_t{160}, size_t{4000}}) {
    SCOPED_TRACE("blocks of " + std::to_string(block));
    const Heard heard = Detect(sound, block);
    ASSERT_EQ(heard.edges.size(), 2 * placed.size());
    for (size_t i = 0; i < placed.size(); ++i) {
      const dtmf::DigitEdge &began = heard.edges[2 * i];
      const dtmf::DigitEdge &ended = heard.edges[2 * i + 1];
      EXPECT_EQ(began.digit, placed[i].digit);
      EXPECT_FALSE(began.ended);
      EXPECT_NEAR(static_cast<double>(began.sample), static_cast<double>(placed[i].begin),
                  10 * kSamplesPerMs);
      EXPECT_EQ(ended.digit, placed[i].digit);
      EXPECT_TRUE(ended.ended);
      EXPECT_NEAR(static_cast<double>(ended.sample), static_cast<double>(placed[i].end),
                  10 * kSamplesPerMs);
    }
  }
}

TEST(DtmfDetector, OneDigitFollowingAnotherWithoutAPauseEndsTheFirst) {
  std::vector<int16_t> sound;
  AppendDigit(sound, '1', 80, -10);
  AppendDigit(sound, '9', 80, -10);
  const Heard heard = Detect(sound);
  EXPECT_EQ(heard.digits, "19");
  ASSERT_EQ(heard.edges.size(), 4u);
  EXPECT_TRUE(heard.edges[1].ended);
  EXPECT_EQ(heard.edges[1].digit, '1');
}

TEST(DtmfDetector, NoDigitFromTheBeep) {
  for (const double dbm0 : {3.0, 0.0, -10.0, -20.0, -30.0}) {
    for (const double ms : {300.0, 2000.0}) {
      std::vector<int16_t> beep;
      AppendTones(beep, ms, 1000, dbm0);
      EXPECT_TRUE(Detect(beep).edges.empty()) << dbm0 << " dBm0, " << ms << " ms";
    }
  }
}

// 8 kHz 16-bit samples of a sound file or of speech, through sox.
std::vector<int16_t> Samples(const fs::path &raw) {
  std::ifstream in(raw, std::ios::binary);
  std::vector<int16_t> samples;
  for (int16_t sample; in.read(reinterpret_cast<char *>(&sample), sizeof sample);)
    samples.push_back(sample);
  return samples;
}

std::vector<int16_t> AsTelephoneSound(const fs::path &source, const fs::path &raw,
                                      const std::string &effects = "") {
  RunCommand(std::string(CORVAX_SOX) + " '" + source.string() +
             "' -t raw -r 8000 -c 1 -b 16 -e signed-integer '" + raw.string() + "' " + effects);
  return Samples(raw);
}

constexpr const char *kLongText =
    "Thank you for calling. Your call is important to us. The office is open from nine in "
    "the morning until five thirty in the evening, Monday to Friday, and from ten until two on "
    "Saturdays. To hear these hours again, stay on the line. If you know the extension of the "
    "person you wish to reach, you may dial it at any time. For accounts, billing and "
    "payments, please hold, and one of our representatives will be with you shortly. Please "
    "have your account number, your postcode and the date of your last statement ready. "
    "Remember that you can also reach us by letter, or visit one of our branches, where our "
    "friendly staff will be happy to help. Whistling, humming, singing and shouting should "
    "never sound like a key: seven, eight, nine, star, hash, zero, one, two, three.";

TEST(DtmfDetector, NoDigitFromSpeech) {
  const fs::path folder = fs::temp_directory_path() / ("corvax-dtmf-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path spoken = folder / "spoken.wav";
  RunCommand(std::string(CORVAX_ESPEAK) + " -v en-us -s 170 -w '" + spoken.string() + "' \"" +
             kLongText + "\"");
  std::vector<fs::path> sources = {spoken};
  if (fs::is_directory(CORVAX_EXAMPLE_SPEECH)) {
    for (const auto &entry : fs::directory_iterator(CORVAX_EXAMPLE_SPEECH)) {
      const std::string name = entry.path().filename().string();
      if (name.ends_with(".wav") && name.find(".espeak.") == std::string::npos &&
          name.find(".noise.") == std::string::npos)
        sources.push_back(entry.path());
    }
  }
  size_t seconds = 0;
  for (const fs::path &source : sources) {
    SCOPED_TRACE(source.string());
    // As spoken, and as loud as a line carries it.
    for (const std::string effects : {"", "gain -n -1"}) {
      const std::vector<int16_t> speech = AsTelephoneSound(source, folder / "speech.raw", effects);
      ASSERT_GT(speech.size(), 8000u);
      seconds += speech.size() / 8000;
      EXPECT_EQ(Detect(speech).digits, "") << effects;
    }
  }
  EXPECT_GE(seconds, 60u) << "too little speech to count false digits on";
  fs::remove_all(folder);
}

}  // namespace
}  // namespace dtmf_test
