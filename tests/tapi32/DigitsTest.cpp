// Touch tones: the digit capabilities lines advertise, monitoring the far end's digits
// (lineMonitorDigits, LINE_MONITORDIGITS) and generating digits (lineGenerateDigitsA,
// LINE_GENERATE), on simulated lines and on lines whose far end is a network.
#include <string>
#include <vector>

#include "tests/tapi32/LineFixture.h"

namespace tapi_test {
namespace {

constexpr DWORD kBothEdges = LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND;

class DigitsTest : public LineFixture {
 protected:
  // A connected incoming call on `app`'s line 0; returns the app's handle to it.
  HCALL Connected(const LineApp &app) {
    Open(app);
    offered = exchange.OfferCall(0);
    const HCALL handle = HandleIn(Drain(app));
    EXPECT_GT(lineAnswer(handle, nullptr, 0), 0);
    Drain(app);
    return handle;
  }

  static HCALL HandleIn(const std::vector<LINEMESSAGE> &messages) {
    for (const LINEMESSAGE &message : messages) {
      if (message.dwMessageID == LINE_APPNEWCALL) return message.dwParam2;
    }
    return 0;
  }

  // The messages of one kind, in order.
  static std::vector<LINEMESSAGE> Only(const std::vector<LINEMESSAGE> &messages, DWORD id) {
    std::vector<LINEMESSAGE> found;
    for (const LINEMESSAGE &message : messages) {
      if (message.dwMessageID == id) found.push_back(message);
    }
    return found;
  }

  // The digits of LINE_MONITORDIGITS messages with their modes, as "5/2 #/4".
  static std::string Digits(const std::vector<LINEMESSAGE> &messages) {
    std::string text;
    for (const LINEMESSAGE &message : Only(messages, LINE_MONITORDIGITS)) {
      if (!text.empty()) text += ' ';
      text += static_cast<char>(message.dwParam1 & 0xFF);
      text += '/' + std::to_string(message.dwParam2);
    }
    return text;
  }

  LINEDEVCAPS DevCaps(const LineApp &app, DWORD device = 0) {
    LINEDEVCAPS caps{};
    caps.dwTotalSize = sizeof caps;
    EXPECT_EQ(0, lineGetDevCapsA(app.app, device, 0x00020000, 0, &caps));
    return caps;
  }

  DWORD AddressCallFeatures(const LineApp &app, DWORD device = 0) {
    LINEADDRESSCAPS caps{};
    caps.dwTotalSize = sizeof caps;
    EXPECT_EQ(0, lineGetAddressCapsA(app.app, device, 0, 0x00020000, 0, &caps));
    return caps.dwCallFeatures;
  }

  sim::CallId offered = 0;
};

TEST_F(DigitsTest, SimulatedLinesAdvertiseTouchTonesUnlessSetUpWithout) {
  exchange.AddLine();
  exchange.Line(1).NoDigits();
  const LineApp app = Initialize();

  const LINEDEVCAPS with = DevCaps(app, 0);
  EXPECT_EQ(kBothEdges, with.dwMonitorDigitModes);
  EXPECT_EQ(static_cast<DWORD>(LINEDIGITMODE_DTMF), with.dwGenerateDigitModes);
  EXPECT_EQ(100u, with.DefaultDialParams.dwDigitDuration);
  EXPECT_EQ(40u, with.MinDialParams.dwDigitDuration);
  EXPECT_EQ(1000u, with.MaxDialParams.dwDigitDuration);
  EXPECT_EQ(2000u, with.DefaultDialParams.dwDialPause);
  const DWORD digitFeatures = LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_GENERATEDIGITS;
  EXPECT_EQ(digitFeatures, AddressCallFeatures(app, 0) & digitFeatures);

  const LINEDEVCAPS without = DevCaps(app, 1);
  EXPECT_EQ(0u, without.dwMonitorDigitModes);
  EXPECT_EQ(0u, without.dwGenerateDigitModes);
  EXPECT_EQ(0u, without.DefaultDialParams.dwDigitDuration);
  EXPECT_EQ(0u, AddressCallFeatures(app, 1) & digitFeatures);

  Open(app, 1);
  const sim::CallId call = exchange.OfferCall(1);
  const HCALL handle = HandleIn(Drain(app));
  ASSERT_GT(lineAnswer(handle, nullptr, 0), 0);
  EXPECT_EQ(LINEERR_INVALDIGITMODE, lineMonitorDigits(handle, LINEDIGITMODE_DTMF));
  EXPECT_EQ(LINEERR_INVALDIGITMODE, lineGenerateDigitsA(handle, LINEDIGITMODE_DTMF, "1", 0));
  EXPECT_EQ(0, lineMonitorDigits(handle, 0));  // asking for nothing is no mode it lacks
  EXPECT_TRUE(exchange.DigitDetected(call, '1', LINEDIGITMODE_DTMF));
  EXPECT_EQ("", Digits(Drain(app)));
}

TEST_F(DigitsTest, ModesTheLineDoesNotHaveAreRefused) {
  const LineApp app = Initialize();
  const HCALL call = Connected(app);
  for (const DWORD modes : {DWORD{LINEDIGITMODE_PULSE}, DWORD{0x8}, DWORD{kBothEdges | 0x8}}) {
    EXPECT_EQ(LINEERR_INVALDIGITMODE, lineMonitorDigits(call, modes)) << modes;
  }
  // Generating takes exactly one mode, and the line generates DTMF only.
  for (const DWORD mode : {DWORD{0}, DWORD{LINEDIGITMODE_PULSE}, DWORD{LINEDIGITMODE_DTMFEND},
                           DWORD{LINEDIGITMODE_DTMF | LINEDIGITMODE_PULSE}}) {
    EXPECT_EQ(LINEERR_INVALDIGITMODE, lineGenerateDigitsA(call, mode, "1", 0)) << mode;
  }
  EXPECT_TRUE(exchange.GeneratedDigits().empty());
  EXPECT_TRUE(Drain(app).empty());
}

TEST_F(DigitsTest, CallsThatAreNotOursAreRefused) {
  const LineApp app = Initialize();
  const HCALL call = Connected(app);
  exchange.HangUp(offered);
  Drain(app);
  ASSERT_EQ(0, lineDeallocateCall(call));
  for (const HCALL stranger : {HCALL{0}, call, call + 1000}) {
    EXPECT_EQ(LINEERR_INVALCALLHANDLE, lineMonitorDigits(stranger, LINEDIGITMODE_DTMF));
    EXPECT_EQ(LINEERR_INVALCALLHANDLE, lineGenerateDigitsA(stranger, LINEDIGITMODE_DTMF, "1", 0));
  }
}

TEST_F(DigitsTest, MonitoredDigitsArriveInTheModesAskedForAndOthersAreDropped) {
  const LineApp app = Initialize();
  const HCALL call = Connected(app);
  // Before any monitoring: dropped, and not delivered once monitoring starts.
  EXPECT_TRUE(exchange.DigitDetected(offered, '9', LINEDIGITMODE_DTMF));
  ASSERT_EQ(0, lineMonitorDigits(call, LINEDIGITMODE_DTMF));
  EXPECT_TRUE(exchange.DigitDetected(offered, '5', LINEDIGITMODE_DTMF, 1234));
  EXPECT_TRUE(exchange.DigitDetected(offered, '5', LINEDIGITMODE_DTMFEND));
  const auto messages = Drain(app);
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(call, messages[0].hDevice);
  EXPECT_TRUE(Is(messages[0], LINE_MONITORDIGITS, '5', LINEDIGITMODE_DTMF, 1234));

  ASSERT_EQ(0, lineMonitorDigits(call, kBothEdges));
  for (const char digit : std::string("0123456789*#ABCD")) {
    EXPECT_TRUE(exchange.DigitDetected(offered, digit, LINEDIGITMODE_DTMF));
    EXPECT_TRUE(exchange.DigitDetected(offered, digit, LINEDIGITMODE_DTMFEND));
  }
  EXPECT_EQ(
      "0/2 0/4 1/2 1/4 2/2 2/4 3/2 3/4 4/2 4/4 5/2 5/4 6/2 6/4 7/2 7/4 8/2 8/4 9/2 9/4 "
      "*/2 */4 #/2 #/4 A/2 A/4 B/2 B/4 C/2 C/4 D/2 D/4",
      Digits(Drain(app)));

  LINECALLINFO info{};
  info.dwTotalSize = sizeof info;
  ASSERT_EQ(0, lineGetCallInfoA(call, &info));
  EXPECT_EQ(kBothEdges, info.dwMonitorDigitModes);

  ASSERT_EQ(0, lineMonitorDigits(call, 0));
  EXPECT_TRUE(exchange.DigitDetected(offered, '7', LINEDIGITMODE_DTMF));
  ASSERT_EQ(0, lineMonitorDigits(call, LINEDIGITMODE_DTMF));
  EXPECT_TRUE(Drain(app).empty());  // the digit reported while off is gone
}

TEST_F(DigitsTest, WhatTheFarEndCannotHaveSentIsRefused) {
  const LineApp app = Initialize();
  const HCALL call = Connected(app);
  ASSERT_EQ(0, lineMonitorDigits(call, kBothEdges));
  EXPECT_FALSE(exchange.DigitDetected(offered, 'E', LINEDIGITMODE_DTMF));
  EXPECT_FALSE(exchange.DigitDetected(offered, ',', LINEDIGITMODE_DTMF));
  EXPECT_FALSE(exchange.DigitDetected(offered, '1', LINEDIGITMODE_PULSE));
  EXPECT_FALSE(exchange.DigitDetected(offered + 1000, '1', LINEDIGITMODE_DTMF));
  exchange.HangUp(offered);
  Drain(app);
  EXPECT_FALSE(exchange.DigitDetected(offered, '1', LINEDIGITMODE_DTMF));
  EXPECT_EQ(LINEERR_INVALCALLSTATE, lineMonitorDigits(call, LINEDIGITMODE_DTMF));
  EXPECT_TRUE(Drain(app).empty());
}

TEST_F(DigitsTest, EachApplicationMonitorsThroughItsOwnHandle) {
  const LineApp owner = Initialize("owner");
  const LineApp monitor = Initialize("monitor");
  Open(owner, 0, LINECALLPRIVILEGE_OWNER);
  Open(monitor, 0, LINECALLPRIVILEGE_MONITOR);
  offered = exchange.OfferCall(0);
  const HCALL owned = HandleIn(Drain(owner));
  const HCALL watched = HandleIn(Drain(monitor));
  ASSERT_EQ(0, lineMonitorDigits(owned, LINEDIGITMODE_DTMFEND));
  ASSERT_EQ(0, lineMonitorDigits(watched, LINEDIGITMODE_DTMF));
  EXPECT_TRUE(exchange.DigitDetected(offered, '#', LINEDIGITMODE_DTMF));
  EXPECT_TRUE(exchange.DigitDetected(offered, '#', LINEDIGITMODE_DTMFEND));
  const auto ownerMessages = Drain(owner);
  const auto monitorMessages = Drain(monitor);
  EXPECT_EQ("#/4", Digits(ownerMessages));
  EXPECT_EQ(owned, ownerMessages.at(0).hDevice);
  EXPECT_EQ("#/2", Digits(monitorMessages));
  EXPECT_EQ(watched, monitorMessages.at(0).hDevice);
  // Only an owner generates.
  EXPECT_EQ(LINEERR_NOTOWNER, lineGenerateDigitsA(watched, LINEDIGITMODE_DTMF, "1", 0));
}

TEST_F(DigitsTest, GeneratedDigitsAreHandedToTheFarEndAndReportedDone) {
  const LineApp app = Initialize();
  const HCALL call = Connected(app);
  struct Case {
    const char *digits;
    DWORD duration;
    DWORD milliseconds;
  };
  for (const Case &c : {Case{"0123456789*#ABCD", 0, 100}, Case{"1,,2", 250, 250}, Case{"5", 10, 40},
                        Case{"5", 5000, 1000}, Case{"", 0, 100}}) {
    SCOPED_TRACE(c.digits);
    const DWORD before = GetTickCount();
    ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, c.digits, c.duration));
    const sim::DigitRequest request = exchange.GeneratedDigits().back();
    EXPECT_EQ(offered, request.call);
    EXPECT_EQ(call, request.hCall);
    EXPECT_EQ(c.digits, request.digits);
    EXPECT_EQ(c.milliseconds, request.milliseconds);
    const auto messages = Drain(app);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(call, messages[0].hDevice);
    EXPECT_EQ(static_cast<DWORD>(LINE_GENERATE), messages[0].dwMessageID);
    EXPECT_EQ(static_cast<DWORD>(LINEGENERATETERM_DONE), messages[0].dwParam1);
    EXPECT_GE(messages[0].dwParam3, before);
  }
}

TEST_F(DigitsTest, CharactersNoToneCarriesAreRefusedAndNothingIsSent) {
  const LineApp app = Initialize();
  const HCALL call = Connected(app);
  for (const char *digits : {"12a", "1 2", "E", "!", "1-2", "#\x80"}) {
    EXPECT_EQ(LINEERR_INVALPARAM, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, digits, 0))
        << digits;
  }
  EXPECT_TRUE(exchange.GeneratedDigits().empty());
  EXPECT_TRUE(Drain(app).empty());
}

TEST_F(DigitsTest, DigitsNeedACallWithSound) {
  const LineApp app = Initialize();
  Open(app);
  offered = exchange.OfferCall(0);
  const HCALL call = HandleIn(Drain(app));
  EXPECT_EQ(LINEERR_INVALCALLSTATE, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "1", 0));
  EXPECT_EQ(0, lineMonitorDigits(call, LINEDIGITMODE_DTMF));  // an offered call may be watched
  EXPECT_TRUE(exchange.GeneratedDigits().empty());
}

class DeferredDigitsTest : public DigitsTest {
 protected:
  void SetUp() override {
    DigitsTest::SetUp();
    exchange.DeferDigits(true);
    app = Initialize();
    call = Connected(app);
  }

  // The LINE_GENERATE terminations waiting, in order.
  std::vector<DWORD> Generated() {
    std::vector<DWORD> ends;
    for (const LINEMESSAGE &message : Only(Drain(app), LINE_GENERATE)) {
      EXPECT_EQ(call, message.hDevice);
      ends.push_back(message.dwParam1);
    }
    return ends;
  }

  LineApp app;
  HCALL call = 0;
};

TEST_F(DeferredDigitsTest, DigitsStayInProgressUntilTheFarEndHasPlayedThem) {
  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "123", 0));
  EXPECT_TRUE(Generated().empty());
  EXPECT_TRUE(exchange.DigitsPlayed(offered));
  EXPECT_EQ(std::vector<DWORD>{LINEGENERATETERM_DONE}, Generated());
  EXPECT_FALSE(exchange.DigitsPlayed(offered));  // nothing in progress any more
}

TEST_F(DeferredDigitsTest, NewDigitsANullStringOrATonesCancelTheDigitsInProgress) {
  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "1", 0));
  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "2", 0));
  EXPECT_EQ(std::vector<DWORD>{LINEGENERATETERM_CANCEL}, Generated());
  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, nullptr, 0));
  EXPECT_EQ(std::vector<DWORD>{LINEGENERATETERM_CANCEL}, Generated());
  EXPECT_FALSE(exchange.DigitsPlayed(offered));
  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, nullptr, 0));  // nothing to cancel
  EXPECT_TRUE(Generated().empty());

  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "3", 0));
  ASSERT_EQ(0, lineGenerateTone(call, LINETONEMODE_BEEP, 0, 0, nullptr));
  EXPECT_EQ((std::vector<DWORD>{LINEGENERATETERM_CANCEL, LINEGENERATETERM_DONE}), Generated());
  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "4", 0));
  ASSERT_EQ(0, lineGenerateTone(call, 0, 0, 0, nullptr));
  EXPECT_EQ(std::vector<DWORD>{LINEGENERATETERM_CANCEL}, Generated());
  EXPECT_EQ(4u, exchange.GeneratedDigits().size());  // the null strings generated nothing
}

TEST_F(DeferredDigitsTest, ACallGoingIdleCancelsItsDigitsFirst) {
  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "123", 0));
  exchange.HangUp(offered);
  const auto messages = Drain(app);
  ASSERT_EQ(3u, messages.size());
  EXPECT_TRUE(
      Is(messages[0], LINE_CALLSTATE, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL));
  EXPECT_EQ(static_cast<DWORD>(LINE_GENERATE), messages[1].dwMessageID);
  EXPECT_EQ(static_cast<DWORD>(LINEGENERATETERM_CANCEL), messages[1].dwParam1);
  EXPECT_TRUE(Is(messages[2], LINE_CALLSTATE, LINECALLSTATE_IDLE));
  EXPECT_FALSE(exchange.DigitsPlayed(offered));
}

// A network far end that may carry touch tones: what the exchange asked it to play.
class DigitNetwork : public sim::NetworkFarEnd {
 public:
  void Answering(sim::CallId) override {}
  void Placing(sim::CallId, DWORD, const std::string &) override {}
  void Beeping(sim::CallId, DWORD) override {}
  void Ended(sim::CallId) override {}
  sim::DigitModes Digits() const override { return carried; }
  void GeneratingDigits(sim::CallId call, const std::string &digits, DWORD ms) override {
    played.push_back(std::to_string(call) + " '" + digits + "' " + std::to_string(ms));
  }

  sim::DigitModes carried;
  std::vector<std::string> played;
};

class NetworkDigitsTest : public DigitsTest {
 protected:
  void SetUp() override {
    DigitsTest::SetUp();
    exchange.SetNetwork(&network);
  }
  void TearDown() override {
    exchange.SetNetwork(nullptr);
    DigitsTest::TearDown();
  }

  // A connected call whose answer the network has completed.
  HCALL ConnectedByNetwork(const LineApp &app) {
    Open(app);
    offered = exchange.OfferCall(0);
    const HCALL handle = HandleIn(Drain(app));
    EXPECT_GT(lineAnswer(handle, nullptr, 0), 0);
    EXPECT_TRUE(exchange.Connect(offered));
    Drain(app);
    return handle;
  }

  DigitNetwork network;
};

TEST_F(NetworkDigitsTest, ANetworkWithoutTouchTonesLeavesItsLinesWithout) {
  const LineApp app = Initialize();
  EXPECT_EQ(0u, DevCaps(app).dwMonitorDigitModes);
  EXPECT_EQ(0u, DevCaps(app).dwGenerateDigitModes);
  const HCALL call = ConnectedByNetwork(app);
  EXPECT_EQ(LINEERR_INVALDIGITMODE, lineMonitorDigits(call, LINEDIGITMODE_DTMF));
  EXPECT_EQ(LINEERR_INVALDIGITMODE, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "1", 0));
  EXPECT_TRUE(network.played.empty());
}

TEST_F(NetworkDigitsTest, ANetworkThatCarriesThemPlaysTheDigitsAndSaysWhenDone) {
  network.carried = {LINEDIGITMODE_DTMF, LINEDIGITMODE_DTMF};
  const LineApp app = Initialize();
  EXPECT_EQ(static_cast<DWORD>(LINEDIGITMODE_DTMF), DevCaps(app).dwMonitorDigitModes);
  const HCALL call = ConnectedByNetwork(app);
  EXPECT_EQ(LINEERR_INVALDIGITMODE, lineMonitorDigits(call, kBothEdges));
  ASSERT_EQ(0, lineMonitorDigits(call, LINEDIGITMODE_DTMF));
  EXPECT_TRUE(exchange.DigitDetected(offered, '4', LINEDIGITMODE_DTMF));
  EXPECT_EQ("4/2", Digits(Drain(app)));

  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "12#", 0));
  EXPECT_TRUE(Drain(app).empty());
  ASSERT_EQ(0, lineGenerateDigitsA(call, LINEDIGITMODE_DTMF, "9", 60));
  EXPECT_EQ(static_cast<DWORD>(LINEGENERATETERM_CANCEL),
            Only(Drain(app), LINE_GENERATE).at(0).dwParam1);
  EXPECT_TRUE(exchange.DigitsPlayed(offered));
  EXPECT_EQ(static_cast<DWORD>(LINEGENERATETERM_DONE),
            Only(Drain(app), LINE_GENERATE).at(0).dwParam1);
  const std::string id = std::to_string(offered);
  EXPECT_EQ((std::vector<std::string>{id + " '12#' 100", id + " '' 0", id + " '9' 60"}),
            network.played);
}

}  // namespace
}  // namespace tapi_test
