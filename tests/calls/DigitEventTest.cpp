// Touch tones through the component: OnCallDigitEvent for the digits of monitored calls, on
// the main thread and with its log line; MonitorDigits and SendDigits with TAPI's results; a
// flood of digits on one call.
#include <algorithm>
#include <string>
#include <thread>

#include "tests/calls/CallsFixture.h"

namespace calls_test {
namespace {

using Lines = std::vector<std::string>;

class DigitEventTest : public CallsTest {
 protected:
  // Opens the device and answers an offered call; hCall is the component's handle to it.
  void Answered() {
    Open();
    call = exchange.OfferCall(0);
    PumpUntil([&] { return host.hLastCall != 0; });
    hCall = host.hLastCall;
    ASSERT_GT(component->AnswerTheLine(hCall, nullptr), 0);
    PumpUntil([&] { return Count("info 2 256 with info") == 1; });  // connected
    host.events.clear();
  }

  size_t Count(const std::string &event) const {
    return std::count(host.events.begin(), host.events.end(), event);
  }
  size_t CountStartingWith(const std::string &prefix) const {
    return std::count_if(host.events.begin(), host.events.end(),
                         [&](const std::string &event) { return event.starts_with(prefix); });
  }
  bool Logged(const std::string &line) const {
    const Lines lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  sim::CallId call = 0;
  DWORD hCall = 0;
};

TEST_F(DigitEventTest, AMonitoredDigitIsRaisedOnceOnTheMainThreadAndLogged) {
  Answered();
  ASSERT_EQ(component->MonitorDigits(hCall, true), 0);
  EXPECT_TRUE(exchange.DigitDetected(call, '#', LINEDIGITMODE_DTMF, 1234));
  // The end of the tone is no second key press, even where the host asked TAPI for it.
  ASSERT_EQ(lineMonitorDigits(hCall, LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND), 0);
  EXPECT_TRUE(exchange.DigitDetected(call, '#', LINEDIGITMODE_DTMFEND, 1300));
  PumpUntil([&] { return CountStartingWith("info 9 ") == 2; });
  EXPECT_EQ(host.events, (Lines{"digit # call", "info 9 35 with info", "info 9 35 with info"}));
  EXPECT_TRUE(host.allOnMainThread);
  EXPECT_TRUE(
      Logged("In [TkwTAPI::DispatchCallEvent] LINE_MONITORDIGITS detected. cDigit: [#] "
             "cbData->dwParam2: 2 cbData->dwParam3: 1234"));
  EXPECT_TRUE(
      Logged("In [TkwTAPI::DispatchCallEvent] LINE_MONITORDIGITS detected. cDigit: [#] "
             "cbData->dwParam2: 4 cbData->dwParam3: 1300"));
}

TEST_F(DigitEventTest, DigitsOfACallNotMonitoredAreDropped) {
  Answered();
  EXPECT_TRUE(exchange.DigitDetected(call, '1', LINEDIGITMODE_DTMF));
  ASSERT_EQ(component->MonitorDigits(hCall, true), 0);
  ASSERT_EQ(component->MonitorDigits(hCall, false), 0);
  EXPECT_TRUE(exchange.DigitDetected(call, '2', LINEDIGITMODE_DTMF));
  ASSERT_EQ(component->MonitorDigits(hCall, true), 0);
  EXPECT_TRUE(exchange.DigitDetected(call, '3', LINEDIGITMODE_DTMF));
  PumpUntil([&] { return Count("info 9 51 with info") == 1; });
  EXPECT_EQ(host.events, (Lines{"digit 3 call", "info 9 51 with info"}));
}

TEST_F(DigitEventTest, CallsThatAreNotOursAreRefused) {
  Answered();
  for (const DWORD hStranger : {DWORD{0}, hCall + 1000}) {
    EXPECT_EQ(component->MonitorDigits(hStranger, true), LINEERR_INVALCALLHANDLE);
    EXPECT_EQ(component->SendDigits(hStranger, "1"), LINEERR_INVALCALLHANDLE);
  }
}

TEST_F(DigitEventTest, SendDigitsPlaysTheDigitsAndRefusesOtherCharacters) {
  Answered();
  for (const AnsiString &asBad :
       {AnsiString("12a"), AnsiString("1 2"), AnsiString("9E"), AnsiString("1\0002", 3)}) {
    EXPECT_EQ(component->SendDigits(hCall, asBad), LINEERR_INVALPARAM) << asBad.c_str();
  }
  EXPECT_EQ(sim::OperationJournal().Count("lineGenerateDigitsA"), 0u);
  EXPECT_TRUE(exchange.GeneratedDigits().empty());

  EXPECT_EQ(component->SendDigits(hCall, "0123456789*#ABCD,"), 0);
  const auto requests = exchange.GeneratedDigits();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].digits, "0123456789*#ABCD,");
  EXPECT_EQ(requests[0].milliseconds, 100u);
  PumpUntil([&] { return Count("info 7 1 with info") == 1; });  // LINE_GENERATE, done
}

TEST_F(DigitEventTest, AFailingProviderAnswersWithItsCode) {
  Answered();
  sim::Faults().FailNext("lineMonitorDigits", LINEERR_OPERATIONFAILED);
  EXPECT_EQ(component->MonitorDigits(hCall, true), LINEERR_OPERATIONFAILED);
  sim::Faults().FailNext("lineGenerateDigitsA", LINEERR_RESOURCEUNAVAIL);
  EXPECT_EQ(component->SendDigits(hCall, "1"), LINEERR_RESOURCEUNAVAIL);
  exchange.Line(0).NoDigits();
  EXPECT_EQ(component->MonitorDigits(hCall, true), LINEERR_INVALDIGITMODE);
  EXPECT_EQ(component->SendDigits(hCall, "1"), LINEERR_INVALDIGITMODE);
}

// A thousand digits as fast as a network can report them: each raised once, in order, and the
// call goes on to its end.
TEST_F(DigitEventTest, AFloodOfDigitsIsRaisedOnceEachAndTheCallGoesOn) {
  Answered();
  ASSERT_EQ(component->MonitorDigits(hCall, true), 0);
  const std::string keys = "0123456789*#ABCD";
  std::string sent;
  for (int i = 0; i < 1000; ++i) sent += keys[i % keys.size()];
  std::thread network([&] {
    for (const char digit : sent) exchange.DigitDetected(call, digit, LINEDIGITMODE_DTMF);
  });
  PumpUntil([&] { return CountStartingWith("digit ") == sent.size(); });
  network.join();
  std::string raised;
  for (const std::string &event : host.events) {
    if (event.starts_with("digit ")) {
      EXPECT_EQ(event.substr(7), " call");
      raised += event[6];
    }
  }
  EXPECT_EQ(raised, sent);
  EXPECT_TRUE(host.allOnMainThread);
  exchange.HangUp(call);
  PumpUntil([&] { return Count("disconnected call") == 1; });
}

}  // namespace
}  // namespace calls_test
