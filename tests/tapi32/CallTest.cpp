// Calls: routing by privilege, asynchronous requests and LINE_REPLY, call handles, call
// records, tones and assisted telephony.
#include <string>
#include <vector>

#include "platform/tapi32/LineRecordSizes.h"
#include "tests/tapi32/LineFixture.h"

namespace tapi_test {
namespace {

class CallTest : public LineFixture {
 protected:
  // An incoming call offered to `app`'s line; returns the app's handle to it.
  HCALL Offered(const LineApp &app, sim::IncomingCall call = {}) {
    offered = exchange.OfferCall(0, std::move(call));
    HCALL handle = 0;
    for (const LINEMESSAGE &message : Drain(app)) {
      if (message.dwMessageID == LINE_APPNEWCALL) handle = message.dwParam2;
    }
    return handle;
  }

  // The message that completes request `id`, among `messages`.
  static const LINEMESSAGE *ReplyTo(const std::vector<LINEMESSAGE> &messages, LONG id) {
    for (const LINEMESSAGE &message : messages) {
      if (message.dwMessageID == LINE_REPLY && message.dwParam1 == static_cast<DWORD>(id)) {
        return &message;
      }
    }
    return nullptr;
  }

  static std::vector<DWORD> States(const std::vector<LINEMESSAGE> &messages) {
    std::vector<DWORD> states;
    for (const LINEMESSAGE &message : messages) {
      if (message.dwMessageID == LINE_CALLSTATE) states.push_back(message.dwParam1);
    }
    return states;
  }

  sim::CallId offered = 0;
};

TEST_F(CallTest, ANewCallGoesToTheOwnerAndToMonitors) {
  const LineApp owner = Initialize("owner");
  const LineApp monitor = Initialize("monitor");
  const LineApp bystander = Initialize("bystander");
  const HLINE ownerLine = Open(owner, 0, LINECALLPRIVILEGE_OWNER);
  Open(monitor, 0, LINECALLPRIVILEGE_MONITOR);
  Open(bystander, 0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM);
  exchange.OfferCall(0);

  const auto owned = Drain(owner);
  ASSERT_EQ(2u, owned.size());
  EXPECT_EQ(static_cast<DWORD>(LINE_APPNEWCALL), owned[0].dwMessageID);
  EXPECT_EQ(ownerLine, owned[0].hDevice);
  const HCALL hCall = owned[0].dwParam2;
  EXPECT_EQ(static_cast<DWORD>(LINECALLPRIVILEGE_OWNER), owned[0].dwParam3);
  EXPECT_EQ(hCall, owned[1].hDevice);
  EXPECT_TRUE(Is(owned[1], LINE_CALLSTATE, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE,
                 LINECALLPRIVILEGE_OWNER));

  const auto watched = Drain(monitor);
  ASSERT_EQ(2u, watched.size());
  EXPECT_NE(hCall, watched[1].hDevice);
  EXPECT_TRUE(Is(watched[1], LINE_CALLSTATE, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE,
                 LINECALLPRIVILEGE_MONITOR));
  EXPECT_TRUE(Drain(bystander).empty());
}

TEST_F(CallTest, TheFirstOwnerWinsAndAnOwnerMonitorLineWatchesTheRest) {
  const LineApp first = Initialize("first");
  const LineApp second = Initialize("second");
  Open(first);
  Open(second);
  exchange.OfferCall(0);
  EXPECT_EQ(static_cast<DWORD>(LINECALLPRIVILEGE_OWNER), Drain(first).back().dwParam3);
  EXPECT_EQ(static_cast<DWORD>(LINECALLPRIVILEGE_MONITOR), Drain(second).back().dwParam3);
}

TEST_F(CallTest, LinesBelowApiTwoGetNoAppNewCall) {
  const LineApp app = Initialize();
  HLINE line = 0;
  ASSERT_EQ(0, lineOpenA(app.app, 0, &line, 0x00010004, 0, 0, LINECALLPRIVILEGE_OWNER,
                         LINEMEDIAMODE_INTERACTIVEVOICE, nullptr));
  exchange.OfferCall(0);
  const auto messages = Drain(app);
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(static_cast<DWORD>(LINE_CALLSTATE), messages[0].dwMessageID);
}

TEST_F(CallTest, AnsweringIsAsynchronousAndRepliedTo) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  const LONG request = lineAnswer(call, nullptr, 0);
  ASSERT_GT(request, 0);
  const auto messages = Drain(app);
  ASSERT_EQ(2u, messages.size());
  EXPECT_TRUE(Is(messages[0], LINE_REPLY, static_cast<DWORD>(request), 0));
  EXPECT_TRUE(Is(messages[1], LINE_CALLSTATE, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE));
  EXPECT_EQ(call, messages[1].hDevice);
  EXPECT_EQ(static_cast<DWORD>(LINECALLSTATE_CONNECTED), exchange.CallState(offered));
  EXPECT_EQ(LINEERR_INVALCALLSTATE, lineAnswer(call, nullptr, 0));
}

TEST_F(CallTest, RequestIdsDiffer) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  const LONG answer = lineAnswer(call, nullptr, 0);
  const LONG drop = lineDrop(call, nullptr, 0);
  EXPECT_GT(answer, 0);
  EXPECT_GT(drop, 0);
  EXPECT_NE(answer, drop);
}

TEST_F(CallTest, OnlyTheOwnerAnswersOrDrops) {
  const LineApp owner = Initialize("owner");
  const LineApp monitor = Initialize("monitor");
  Open(owner, 0, LINECALLPRIVILEGE_OWNER);
  Open(monitor, 0, LINECALLPRIVILEGE_MONITOR);
  Drain(owner);
  const HCALL watched = Offered(monitor);
  ASSERT_NE(0u, watched);
  EXPECT_EQ(LINEERR_NOTOWNER, lineAnswer(watched, nullptr, 0));
  EXPECT_EQ(LINEERR_NOTOWNER, lineDrop(watched, nullptr, 0));
  EXPECT_EQ(LINEERR_INVALCALLHANDLE, lineAnswer(watched + 1000, nullptr, 0));
}

TEST_F(CallTest, TheFarEndHangsUpDisconnectedThenIdle) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  ASSERT_GT(lineAnswer(call, nullptr, 0), 0);
  Drain(app);
  EXPECT_TRUE(exchange.HangUp(offered));
  const auto messages = Drain(app);
  ASSERT_EQ(2u, messages.size());
  EXPECT_TRUE(
      Is(messages[0], LINE_CALLSTATE, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL));
  EXPECT_TRUE(Is(messages[1], LINE_CALLSTATE, LINECALLSTATE_IDLE, 0));
  EXPECT_FALSE(exchange.HangUp(offered));
}

TEST_F(CallTest, DroppingTakesTheCallIdle) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  const LONG request = lineDrop(call, nullptr, 0);
  ASSERT_GT(request, 0);
  const auto messages = Drain(app);
  ASSERT_NE(nullptr, ReplyTo(messages, request));
  EXPECT_EQ(std::vector<DWORD>{LINECALLSTATE_IDLE}, States(messages));
  EXPECT_EQ(LINEERR_INVALCALLSTATE, lineDrop(call, nullptr, 0));
}

TEST_F(CallTest, HandlesLastUntilDeallocated) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  EXPECT_EQ(LINEERR_INVALCALLSTATE, lineDeallocateCall(call));
  exchange.HangUp(offered);
  LINECALLSTATUS status{};
  status.dwTotalSize = sizeof status;
  EXPECT_EQ(0, lineGetCallStatus(call, &status));
  EXPECT_EQ(static_cast<DWORD>(LINECALLSTATE_IDLE), status.dwCallState);
  EXPECT_EQ(0, lineDeallocateCall(call));
  EXPECT_EQ(0u, exchange.CallHandleCount());
  EXPECT_EQ(LINEERR_INVALCALLHANDLE, lineGetCallStatus(call, &status));
  EXPECT_EQ(LINEERR_INVALCALLHANDLE, lineDeallocateCall(call));
}

TEST_F(CallTest, AMonitorMayLetGoOfALiveCall) {
  const LineApp owner = Initialize("owner");
  const LineApp monitor = Initialize("monitor");
  Open(owner, 0, LINECALLPRIVILEGE_OWNER);
  Open(monitor, 0, LINECALLPRIVILEGE_MONITOR);
  const HCALL watched = Offered(monitor);
  EXPECT_EQ(0, lineDeallocateCall(watched));
  EXPECT_EQ(static_cast<DWORD>(LINECALLSTATE_OFFERING), exchange.CallState(offered));
}

TEST_F(CallTest, ClosingTheOwningLineDropsTheCallForItsMonitors) {
  const LineApp owner = Initialize("owner");
  const LineApp monitor = Initialize("monitor");
  const HLINE ownerLine = Open(owner, 0, LINECALLPRIVILEGE_OWNER);
  Open(monitor, 0, LINECALLPRIVILEGE_MONITOR);
  Offered(monitor);
  ASSERT_EQ(0, lineClose(ownerLine));
  EXPECT_EQ(std::vector<DWORD>{LINECALLSTATE_IDLE}, States(Drain(monitor)));
  EXPECT_EQ(1u, exchange.CallHandleCount());
}

TEST_F(CallTest, CallInfoCarriesThePartiesAndGrowsOnRequest) {
  exchange.Line(0).CallInfoExtraBytes(1500);
  const LineApp app = Initialize();
  const HLINE line = Open(app);
  const HCALL call = Offered(app, {.caller = {"Alice", "5551234"},
                                   .called = {"", "5550100"},
                                   .appName = "Dialer",
                                   .calledParty = "Bob",
                                   .comment = "Hello"});
  std::vector<char> block(324 + 1000);
  auto *info = reinterpret_cast<LINECALLINFO *>(block.data());
  info->dwTotalSize = 324;
  ASSERT_EQ(0, lineGetCallInfoA(call, info));
  EXPECT_GT(info->dwNeededSize, 324u);
  EXPECT_EQ(324u, info->dwUsedSize);
  const DWORD needed = info->dwNeededSize;

  block.assign(needed + 1000, 0);
  info = reinterpret_cast<LINECALLINFO *>(block.data());
  info->dwTotalSize = needed;
  ASSERT_EQ(0, lineGetCallInfoA(call, info));
  EXPECT_EQ(needed, info->dwUsedSize);
  const auto text = [&](DWORD size, DWORD offset) {
    return std::string(block.data() + offset, size);
  };
  EXPECT_EQ(line, info->hLine);
  EXPECT_EQ(static_cast<DWORD>(LINECALLPARTYID_NAME | LINECALLPARTYID_ADDRESS),
            info->dwCallerIDFlags);
  EXPECT_EQ(std::string("Alice", 6), text(info->dwCallerIDNameSize, info->dwCallerIDNameOffset));
  EXPECT_EQ(std::string("5551234", 8), text(info->dwCallerIDSize, info->dwCallerIDOffset));
  EXPECT_EQ(static_cast<DWORD>(LINECALLPARTYID_ADDRESS), info->dwCalledIDFlags);
  EXPECT_EQ(0u, info->dwCalledIDNameSize);
  EXPECT_EQ(std::string("Dialer", 7), text(info->dwAppNameSize, info->dwAppNameOffset));
  EXPECT_EQ(std::string("Bob", 4), text(info->dwCalledPartySize, info->dwCalledPartyOffset));
  EXPECT_EQ(std::string("Hello", 6), text(info->dwCommentSize, info->dwCommentOffset));
  EXPECT_EQ(1500u, info->dwDevSpecificSize);
  EXPECT_EQ(static_cast<DWORD>(LINECALLORIGIN_INBOUND), info->dwOrigin);
  EXPECT_EQ(1u, info->dwNumOwners);
  EXPECT_EQ(0u, info->dwNumMonitors);

  info->dwTotalSize = 100;
  EXPECT_EQ(LINEERR_STRUCTURETOOSMALL, lineGetCallInfoA(call, info));
  EXPECT_EQ(needed, info->dwNeededSize);
}

TEST_F(CallTest, IdentificationFlagsAndSizesAsTheFarEndSetsThem) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  EXPECT_TRUE(exchange.SetCallerId(offered, {.flags = LINECALLPARTYID_BLOCKED}));
  const auto messages = Drain(app);
  ASSERT_EQ(1u, messages.size());
  EXPECT_TRUE(Is(messages[0], LINE_CALLINFO, LINECALLINFOSTATE_CALLERID));
  EXPECT_EQ(call, messages[0].hDevice);

  LINECALLINFO info{};
  info.dwTotalSize = sizeof info;
  ASSERT_EQ(0, lineGetCallInfoA(call, &info));
  EXPECT_EQ(static_cast<DWORD>(LINECALLPARTYID_BLOCKED), info.dwCallerIDFlags);
  EXPECT_EQ(0u, info.dwCallerIDNameSize);

  exchange.SetCallerId(offered, {.name = "", .flags = LINECALLPARTYID_NAME, .countsNul = false});
  ASSERT_EQ(0, lineGetCallInfoA(call, &info));
  EXPECT_EQ(static_cast<DWORD>(LINECALLPARTYID_NAME), info.dwCallerIDFlags);
  EXPECT_EQ(kLineCallInfoSize, info.dwNeededSize);

  exchange.SetCalledId(offered, {"Reception", "100"});
  EXPECT_TRUE(Is(Drain(app).back(), LINE_CALLINFO, LINECALLINFOSTATE_CALLEDID));
  EXPECT_TRUE(
      exchange.ReportCallInfo(offered, LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLID));
  EXPECT_TRUE(
      Is(Drain(app).back(), LINE_CALLINFO, LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLID));
  EXPECT_FALSE(exchange.ReportCallInfo(offered + 12345, LINECALLINFOSTATE_OTHER));
}

TEST_F(CallTest, CallStatusReportsStatePrivilegeAndFeatures) {
  exchange.Line(0).CallStatusExtraBytes(40);
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  LINECALLSTATUS status{};
  status.dwTotalSize = sizeof status;
  ASSERT_EQ(0, lineGetCallStatus(call, &status));
  EXPECT_EQ(static_cast<DWORD>(LINECALLSTATE_OFFERING), status.dwCallState);
  EXPECT_EQ(static_cast<DWORD>(LINECALLPRIVILEGE_OWNER), status.dwCallPrivilege);
  EXPECT_NE(0u, status.dwCallFeatures & LINECALLFEATURE_ANSWER);
  EXPECT_EQ(sizeof status + 40, status.dwNeededSize);
  EXPECT_NE(0u, status.tStateEntryTime.wYear);
}

TEST_F(CallTest, PlacingACallWritesTheHandleWhenTheRequestCompletes) {
  const LineApp app = Initialize("Placer");
  const HLINE line = Open(app);
  exchange.DeferReplies(true);
  HCALL call = 0;
  const LONG request = lineMakeCallA(line, &call, "5551234", 0, nullptr);
  ASSERT_GT(request, 0);
  EXPECT_EQ(0u, call);
  EXPECT_TRUE(Drain(app).empty());
  EXPECT_EQ(1u, exchange.CompleteRequests());
  ASSERT_NE(0u, call);
  const auto messages = Drain(app);
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(Is(messages[0], LINE_REPLY, static_cast<DWORD>(request), 0));
  EXPECT_EQ((std::vector<DWORD>{LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING}),
            States(messages));

  const sim::CallId placed = exchange.LatestCall(0);
  EXPECT_TRUE(exchange.Answer(placed));
  EXPECT_EQ(std::vector<DWORD>{LINECALLSTATE_CONNECTED}, States(Drain(app)));
  LINECALLINFO info{};
  info.dwTotalSize = sizeof info;
  ASSERT_EQ(0, lineGetCallInfoA(call, &info));
  EXPECT_EQ(static_cast<DWORD>(LINECALLORIGIN_OUTBOUND), info.dwOrigin);
  EXPECT_GT(info.dwNeededSize, kLineCallInfoSize);
}

TEST_F(CallTest, ABusyCalledParty) {
  const LineApp app = Initialize();
  const HLINE line = Open(app);
  HCALL call = 0;
  ASSERT_GT(lineMakeCallA(line, &call, "5551234", 1, nullptr), 0);
  Drain(app);
  EXPECT_TRUE(exchange.Busy(exchange.LatestCall(0)));
  const auto messages = Drain(app);
  ASSERT_EQ(1u, messages.size());
  EXPECT_TRUE(Is(messages[0], LINE_CALLSTATE, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION));
}

TEST_F(CallTest, AnEmptyAddressOnlyTakesTheLineOffHook) {
  const LineApp app = Initialize();
  const HLINE line = Open(app);
  LINECALLPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwBearerMode = LINEBEARERMODE_PASSTHROUGH;
  params.dwMediaMode = LINEMEDIAMODE_DATAMODEM;
  params.dwCallParamFlags = LINECALLPARAMFLAGS_IDLE;
  params.dwAddressMode = LINEADDRESSMODE_ADDRESSID;
  HCALL call = 0;
  ASSERT_GT(lineMakeCallA(line, &call, "", 1, &params), 0);
  const auto messages = Drain(app);
  EXPECT_EQ(std::vector<DWORD>{LINECALLSTATE_DIALTONE}, States(messages));
  LINECALLINFO info{};
  info.dwTotalSize = sizeof info;
  ASSERT_EQ(0, lineGetCallInfoA(call, &info));
  EXPECT_EQ(static_cast<DWORD>(LINEBEARERMODE_PASSTHROUGH), info.dwBearerMode);
  EXPECT_EQ(static_cast<DWORD>(LINEMEDIAMODE_DATAMODEM), info.dwMediaMode);
  EXPECT_EQ(1u, info.dwCountryCode);
}

TEST_F(CallTest, PlacingACallIsRefusedWhileTheLineIsBusy) {
  const LineApp app = Initialize();
  const HLINE line = Open(app);
  Offered(app);
  HCALL call = 0;
  EXPECT_EQ(LINEERR_CALLUNAVAIL, lineMakeCallA(line, &call, "1", 0, nullptr));
  EXPECT_EQ(LINEERR_INVALLINEHANDLE, lineMakeCallA(line + 99, &call, "1", 0, nullptr));
}

TEST_F(CallTest, AFailedReplyHasNoEffect) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  exchange.ReplyFaults().FailNext("lineAnswer", LINEERR_OPERATIONFAILED);
  const LONG request = lineAnswer(call, nullptr, 0);
  ASSERT_GT(request, 0);
  const auto messages = Drain(app);
  ASSERT_EQ(1u, messages.size());
  EXPECT_TRUE(Is(messages[0], LINE_REPLY, static_cast<DWORD>(request),
                 static_cast<DWORD>(LINEERR_OPERATIONFAILED)));
  EXPECT_EQ(static_cast<DWORD>(LINECALLSTATE_OFFERING), exchange.CallState(offered));
}

TEST_F(CallTest, ADeferredAnswerFindsTheCallGone) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  exchange.DeferReplies(true);
  const LONG request = lineAnswer(call, nullptr, 0);
  exchange.HangUp(offered);
  exchange.CompleteRequests();
  const auto messages = Drain(app);
  const LINEMESSAGE *reply = ReplyTo(messages, request);
  ASSERT_NE(nullptr, reply);
  EXPECT_EQ(static_cast<DWORD>(LINEERR_INVALCALLSTATE), reply->dwParam2);
}

TEST_F(CallTest, ClosingALineCancelsItsPendingRequests) {
  const LineApp app = Initialize();
  const HLINE line = Open(app);
  exchange.DeferReplies(true);
  HCALL call = 0;
  ASSERT_GT(lineMakeCallA(line, &call, "5551234", 0, nullptr), 0);
  ASSERT_EQ(0, lineClose(line));
  EXPECT_EQ(0u, exchange.CompleteRequests());
  EXPECT_EQ(0u, call);
}

TEST_F(CallTest, ABeepIsRecordedAndReportedDone) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app);
  EXPECT_EQ(LINEERR_INVALCALLSTATE, lineGenerateTone(call, LINETONEMODE_BEEP, 0, 0, nullptr));
  lineAnswer(call, nullptr, 0);
  Drain(app);
  EXPECT_EQ(0, lineGenerateTone(call, LINETONEMODE_BEEP, 0, 0, nullptr));
  EXPECT_EQ(LINEERR_INVALTONEMODE, lineGenerateTone(call, LINETONEMODE_BUSY, 0, 0, nullptr));
  const auto tones = exchange.GeneratedTones();
  ASSERT_EQ(1u, tones.size());
  EXPECT_EQ(offered, tones[0].call);
  EXPECT_EQ(call, tones[0].hCall);
  EXPECT_EQ(static_cast<DWORD>(LINETONEMODE_BEEP), tones[0].toneMode);
  const auto messages = Drain(app);
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(static_cast<DWORD>(LINE_GENERATE), messages[0].dwMessageID);
  EXPECT_EQ(static_cast<DWORD>(LINEGENERATETERM_DONE), messages[0].dwParam1);
}

TEST_F(CallTest, AssistedTelephonyHandsTheRequestToItsRecipient) {
  EXPECT_EQ(0, tapiRequestMakeCallA("5551234", "Host", "Bob", "Calling contact"));
  const auto requests = exchange.AssistedRequests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("5551234", requests[0].destAddress);
  EXPECT_EQ("Host", requests[0].appName);
  EXPECT_EQ("Bob", requests[0].calledParty);
  EXPECT_EQ("Calling contact", requests[0].comment);
  EXPECT_EQ(TAPIERR_INVALDESTADDRESS, tapiRequestMakeCallA("", "Host", "Bob", ""));
  exchange.SetRequestRecipient(false);
  EXPECT_EQ(TAPIERR_NOREQUESTRECIPIENT, tapiRequestMakeCallA("1", nullptr, nullptr, nullptr));
}

// A network far end, as a test sees it: what the exchange told it, in order.
class RecordingNetwork : public sim::NetworkFarEnd {
 public:
  void Answering(sim::CallId call) override { told.push_back("answer " + std::to_string(call)); }
  void Placing(sim::CallId call, DWORD device, const std::string &dest) override {
    told.push_back("place " + std::to_string(call) + " " + std::to_string(device) + " " + dest);
  }
  void Beeping(sim::CallId call, DWORD ms) override {
    told.push_back("beep " + std::to_string(call) + " " + std::to_string(ms));
  }
  void Ended(sim::CallId call) override { told.push_back("end " + std::to_string(call)); }

  std::vector<std::string> told;
};

class NetworkCallTest : public CallTest {
 protected:
  void SetUp() override {
    CallTest::SetUp();
    exchange.SetNetwork(&network);
  }
  void TearDown() override {
    exchange.SetNetwork(nullptr);
    CallTest::TearDown();
  }

  RecordingNetwork network;
};

TEST_F(NetworkCallTest, AnAnsweredCallWaitsForTheNetworkToConnectIt) {
  const LineApp app = Initialize();
  Open(app);
  const HCALL call = Offered(app, {.caller = {"Alice", "5551234"}});
  const LONG request = lineAnswer(call, nullptr, 0);
  auto messages = Drain(app);
  ASSERT_NE(nullptr, ReplyTo(messages, request));
  EXPECT_EQ(0u, ReplyTo(messages, request)->dwParam2);
  EXPECT_TRUE(States(messages).empty());  // not connected before the network says so
  EXPECT_EQ(std::vector<std::string>{"answer " + std::to_string(offered)}, network.told);

  EXPECT_TRUE(exchange.Connect(offered));
  EXPECT_EQ(std::vector<DWORD>{LINECALLSTATE_CONNECTED}, States(Drain(app)));
  EXPECT_FALSE(exchange.Connect(offered));  // once only
  EXPECT_EQ(0, lineGenerateTone(call, LINETONEMODE_BEEP, 150, 0, nullptr));
  exchange.HangUp(offered);
  EXPECT_EQ((std::vector<std::string>{"answer " + std::to_string(offered),
                                      "beep " + std::to_string(offered) + " 150",
                                      "end " + std::to_string(offered)}),
            network.told);
}

TEST_F(NetworkCallTest, APlacedCallIsToldToTheNetworkAndRingsBackWhenItSaysSo) {
  const LineApp app = Initialize();
  const HLINE line = Open(app);
  HCALL call = 0;
  lineMakeCallA(line, &call, "sip:bob@192.0.2.7", 0, nullptr);
  Drain(app);
  const sim::CallId placed = exchange.LatestCall(0);
  EXPECT_TRUE(exchange.Ringback(placed));
  EXPECT_EQ(std::vector<DWORD>{LINECALLSTATE_RINGBACK}, States(Drain(app)));
  EXPECT_FALSE(exchange.Connect(placed));  // an outgoing call is answered, not connected
  EXPECT_TRUE(exchange.Answer(placed));
  lineDrop(call, nullptr, 0);
  EXPECT_EQ((std::vector<std::string>{"place " + std::to_string(placed) + " 0 sip:bob@192.0.2.7",
                                      "end " + std::to_string(placed)}),
            network.told);
}

}  // namespace
}  // namespace tapi_test
