// Touch tones in the simulated call's sound: the far end's keys reach a monitoring application
// from the tones it sends, when they sound, and the application's digits reach the far end as
// tones.
#include <windows.h>

#include <chrono>
#include <string>

#include "Clock.h"
#include "dtmf/Detector.h"
#include "simulator/FarEndAudio.h"
#include "tests/simulator/CallSoundFixture.h"

namespace tapi_test {
namespace {

struct Digit {
  char digit = 0;
  DWORD mode = 0;
  DWORD tick = 0;
};

class KeysInSound : public CallSoundFixture {
 protected:
  void SetUp() override {
    CallSoundFixture::SetUp();
    app_ = Initialize();
  }
  void TearDown() override {
    // The exchange stops listening to the line before its sound goes.
    exchange.Reset();
    CallSoundFixture::TearDown();
  }

  HCALL AnsweredCall() {
    const HCALL handle = CallSoundFixture::AnsweredCall(app_);
    Drain(app_);
    return handle;
  }

  // Waits for the next `count` digit messages; fewer when a real 10 s pass without them.
  std::vector<Digit> NextDigits(size_t count) {
    std::vector<Digit> digits;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (digits.size() < count && std::chrono::steady_clock::now() < giveUp) {
      LINEMESSAGE message{};
      if (lineGetMessage(app_.app, &message, 100) != 0) continue;
      if (message.dwMessageID != LINE_MONITORDIGITS) continue;
      digits.push_back(
          {static_cast<char>(message.dwParam1 & 0xFF), message.dwParam2, message.dwParam3});
    }
    return digits;
  }

  static std::string Keys(const std::vector<Digit> &digits) {
    std::string keys;
    for (const Digit &digit : digits) keys += digit.digit;
    return keys;
  }

  void WaitUntilSaid() { ASSERT_TRUE(sim::Audio().WaitUntilSaid(0)) << "the keys said"; }

  LineApp app_;
};

TEST_F(KeysInSound, TheFarEndsKeysReachTheMonitoringApplicationWhenTheirTonesSound) {
  const HCALL call = AnsweredCall();
  ASSERT_EQ(lineMonitorDigits(call, LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND), 0);
  constexpr DWORD kToneMs = 60, kGapMs = 45;
  // The keys sound from some moment while PressKeys runs, which a busy machine makes long.
  const double pressedFrom = win32::VirtualNow();
  ASSERT_TRUE(exchange.PressKeys(call_, "159#", kGapMs, kToneMs));
  const double pressedTo = win32::VirtualNow();
  const std::vector<Digit> digits = NextDigits(8);
  ASSERT_EQ(Keys(digits), "115599##");
  for (size_t key = 0; key < 4; ++key) {
    const Digit &began = digits[2 * key];
    const Digit &ended = digits[2 * key + 1];
    EXPECT_EQ(began.mode, static_cast<DWORD>(LINEDIGITMODE_DTMF));
    EXPECT_EQ(ended.mode, static_cast<DWORD>(LINEDIGITMODE_DTMFEND));
    // The tick counts are those of the tones in the line's sound, to within the receiver's
    // judgement of a few milliseconds.
    const double offset = static_cast<double>(key * (kToneMs + kGapMs));
    EXPECT_GE(began.tick, pressedFrom + offset - 15) << "key " << key;
    EXPECT_LE(began.tick, pressedTo + offset + 15) << "key " << key;
    EXPECT_NEAR(ended.tick - began.tick, kToneMs, 15) << "key " << key;
  }
}

TEST_F(KeysInSound, KeysPressedWhileNobodyMonitorsAreDroppedNotKept) {
  const HCALL call = AnsweredCall();
  ASSERT_TRUE(exchange.PressKeys(call_, "1"));
  WaitUntilSaid();
  ASSERT_EQ(lineMonitorDigits(call, LINEDIGITMODE_DTMF), 0);
  ASSERT_TRUE(exchange.PressKeys(call_, "2"));
  EXPECT_EQ(Keys(NextDigits(1)), "2");
  ASSERT_EQ(lineMonitorDigits(call, 0), 0);
  ASSERT_TRUE(exchange.PressKeys(call_, "3"));
  WaitUntilSaid();
  ASSERT_EQ(lineMonitorDigits(call, LINEDIGITMODE_DTMF), 0);
  ASSERT_TRUE(exchange.PressKeys(call_, "4"));
  // The receiver hears the line in order: a "3" would have come first.
  EXPECT_EQ(Keys(NextDigits(1)), "4");
}

TEST_F(KeysInSound, KeysTheLineCannotCarryAreRefused) {
  AnsweredCall();
  EXPECT_FALSE(exchange.PressKeys(call_, "12x"));
  EXPECT_FALSE(exchange.PressKeys(call_ + 1000, "1"));
  ASSERT_TRUE(exchange.HangUp(call_));
  EXPECT_FALSE(exchange.PressKeys(call_, "1"));
}

TEST_F(KeysInSound, TheFarEndHearsTheApplicationsDigitsAsTones) {
  const HCALL call = AnsweredCall();
  ASSERT_EQ(lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "4,7*D", 50), 0);
  const std::vector<int16_t> heard = sim::Audio().Played(0);
  dtmf::Detector detector;
  std::string keys;
  std::vector<uint64_t> starts;
  for (const dtmf::DigitEdge &edge : detector.Feed(heard)) {
    if (edge.ended) continue;
    keys += edge.digit;
    starts.push_back(edge.sample);
  }
  ASSERT_EQ(keys, "47*D");
  // Each tone and gap of 50 ms, the pause between 4 and 7 two seconds.
  EXPECT_NEAR(static_cast<double>(starts[1] - starts[0]) / 8, 100 + 2000, 10);
  EXPECT_NEAR(static_cast<double>(starts[3] - starts[2]) / 8, 100, 10);
  EXPECT_EQ(heard.size(), (4 * 100 + 2000) * 8u);
}

}  // namespace
}  // namespace tapi_test
