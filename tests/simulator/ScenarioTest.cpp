// Scenarios as a test writes them: a few lines of far end, observed through TAPI messages by a
// message thread that waits on the instance's event as the component's does.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/tapi32/LineFixture.h"
#include "tests/support/Waits.h"

namespace tapi_test {
namespace {

// Reads an instance's messages on its own thread until stopped; waits on the TAPI event and a
// stop event, fetching one message each time the TAPI event is signalled.
class MessageReader {
 public:
  explicit MessageReader(const LineApp &app)
      : app_(app), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this] { Run(); }) {}

  ~MessageReader() {
    SetEvent(stop_);
    thread_.join();
    CloseHandle(stop_);
  }

  // Blocks until `count` messages have arrived, for a bounded time; returns those that did.
  std::vector<LINEMESSAGE> WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, std::chrono::milliseconds(test_support::kLongWaitMs),
                           [&] { return messages_.size() >= count || failed_; }))
      ADD_FAILURE() << "waited in vain for " << count << " messages; " << messages_.size()
                    << " came";
    return messages_;
  }

 private:
  void Run() {
    const HANDLE handles[2] = {app_.event, stop_};
    // A line quiet for the whole bound ends the reading; the test waiting for more fails.
    while (WaitForMultipleObjects(2, handles, FALSE, test_support::kLongWaitMs) == WAIT_OBJECT_0) {
      LINEMESSAGE message{};
      const LONG result = lineGetMessage(app_.app, &message, 0);
      std::lock_guard lock(mutex_);
      if (result == 0) messages_.push_back(message);
      failed_ = result != 0;
      arrived_.notify_all();
    }
  }

  LineApp app_;
  HANDLE stop_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<LINEMESSAGE> messages_;
  bool failed_ = false;
  std::thread thread_;
};

using ScenarioTest = LineFixture;

TEST_F(ScenarioTest, AnIncomingCallWithCallerIdIsAnsweredAndHungUp) {
  const LineApp app = Initialize();
  OpenWithStatus(app);
  MessageReader reader(app);

  const sim::CallId call = exchange.OfferCall(0);
  exchange.Ring(0, 1);
  exchange.SetCallerId(call, {"Alice", "5551234"});
  auto seen = reader.WaitFor(4);
  const HCALL hCall = seen[1].hDevice;
  EXPECT_TRUE(Is(seen[1], LINE_CALLSTATE, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE,
                 LINECALLPRIVILEGE_OWNER));
  EXPECT_TRUE(Is(seen[2], LINE_LINEDEVSTATE, LINEDEVSTATE_RINGING, 0, 1));
  EXPECT_TRUE(Is(seen[3], LINE_CALLINFO, LINECALLINFOSTATE_CALLERID));

  const LONG request = lineAnswer(hCall, nullptr, 0);
  seen = reader.WaitFor(6);
  EXPECT_TRUE(Is(seen[4], LINE_REPLY, static_cast<DWORD>(request), 0));
  EXPECT_TRUE(Is(seen[5], LINE_CALLSTATE, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE));

  exchange.HangUp(call);
  seen = reader.WaitFor(8);
  EXPECT_TRUE(Is(seen[6], LINE_CALLSTATE, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL));
  EXPECT_TRUE(Is(seen[7], LINE_CALLSTATE, LINECALLSTATE_IDLE));
  EXPECT_EQ(0, lineDeallocateCall(hCall));
}

TEST_F(ScenarioTest, TheFarEndPlaysFromManyThreadsWhileTheApplicationReads) {
  const LineApp app = Initialize();
  OpenWithStatus(app);
  MessageReader reader(app);
  constexpr int kThreads = 4;
  constexpr int kRings = 50;
  std::vector<std::thread> farEnds;
  for (int t = 0; t < kThreads; ++t) {
    farEnds.emplace_back([&] {
      for (int ring = 1; ring <= kRings; ++ring) exchange.Ring(0, ring);
    });
  }
  for (auto &thread : farEnds) thread.join();
  EXPECT_EQ(static_cast<size_t>(kThreads * kRings), reader.WaitFor(kThreads * kRings).size());
}

TEST_F(ScenarioTest, ConfiguringAMissingDeviceIsAnError) {
  EXPECT_THROW(exchange.Line(1).Name("Nowhere"), std::out_of_range);
  EXPECT_EQ(1u, exchange.AddLine().Name("Second").Id());
  EXPECT_EQ(0u, exchange.OfferCall(2));
}

TEST_F(ScenarioTest, ResetLeavesAFreshExchange) {
  exchange.AddLine().Name("Extra");
  const LineApp app = Initialize();
  Open(app);
  exchange.OfferCall(0);
  exchange.DeferReplies(true);
  exchange.Reset();
  EXPECT_EQ(1u, exchange.LineCount());
  EXPECT_EQ(0u, exchange.ApplicationCount());
  EXPECT_EQ(0u, exchange.CallHandleCount());
  EXPECT_EQ(0u, exchange.LatestCall(0));
  EXPECT_EQ(LINEERR_INVALAPPHANDLE, lineShutdown(app.app));
  // Replies complete at once again.
  const LineApp fresh = Initialize();
  const HLINE line = Open(fresh);
  HCALL call = 0;
  ASSERT_GT(lineMakeCallA(line, &call, "1", 0, nullptr), 0);
  EXPECT_NE(0u, call);
  EXPECT_EQ(exchange.LatestCall(0), exchange.ActiveCall(0));
}

}  // namespace
}  // namespace tapi_test
