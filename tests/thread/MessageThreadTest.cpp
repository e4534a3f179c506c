// The line message thread against the simulated exchange: delivery on the main thread in
// TAPI's order, one message at a time, the instance without a dispatch target, and the
// errors that end the thread.
#include <stdexcept>

#include "component/Kwtapi.h"
#include "simulator/Operation.h"
#include "tests/thread/MessageThreadFixture.h"
#include "tests/support/Waits.h"

namespace {

bool IsRing(const LINEMESSAGE &message, HLINE hLine, DWORD ringCount) {
  return message.hDevice == hLine && message.dwMessageID == LINE_LINEDEVSTATE &&
         message.dwParam1 == LINEDEVSTATE_RINGING && message.dwParam3 == ringCount;
}

}  // namespace

TEST_F(MessageThreadTest, BacklogArrivesInOrderOneAtATimeOnTheMainThread) {
  const DWORD backlog = 5;
  Ring(backlog);
  CreateThread(true);
  target.during = [&](const LINEMESSAGE &message) {
    EXPECT_EQ(Application->MainThreadID(), GetCurrentThreadId());
    EXPECT_EQ(&thread->LineMessage, &message) << "the target reads the thread's slot";
    // The next message stays with TAPI until this hand-off has returned.
    EXPECT_EQ(target.received.size(), Fetches());
    EXPECT_EQ(target.received.size() < backlog, TapiHoldsMessages());
  };
  thread->Resume();
  PumpUntil([&] { return target.received.size() == backlog; });

  for (DWORD i = 0; i < backlog; ++i)
    EXPECT_TRUE(IsRing(target.received[i], hLine, i + 1)) << "message " << i;
  EXPECT_TRUE(boxes->Texts().empty());
}

TEST_F(MessageThreadTest, MessagesQueuedWhileTheThreadWaitsWakeIt) {
  CreateThread(true);
  thread->Resume();
  Ring(1);
  PumpUntil([&] { return target.received.size() == 1; });
  Ring(2);
  PumpUntil([&] { return target.received.size() == 3; });

  for (DWORD i = 0; i < 3; ++i) EXPECT_TRUE(IsRing(target.received[i], hLine, i + 1));
  EXPECT_EQ(3u, Fetches());
}

TEST_F(MessageThreadTest, PendingMessageIsDispatchedBeforeTheStopIsSeen) {
  Ring(1);
  SetEvent(hStopEvent);
  CreateThread(true).Resume();
  thread->WaitFor();

  ASSERT_EQ(1u, target.received.size());
  EXPECT_TRUE(IsRing(target.received[0], hLine, 1));
  EXPECT_TRUE(boxes->Texts().empty());
}

TEST_F(MessageThreadTest, StopEventEndsAnIdleThreadWithoutFetching) {
  SetEvent(hStopEvent);
  CreateThread(true).Resume();
  thread->WaitFor();

  EXPECT_TRUE(thread->Finished());
  EXPECT_EQ(0u, Fetches());
  EXPECT_TRUE(boxes->Texts().empty());
}

TEST_F(MessageThreadTest, FrameworkErrorInTheTargetEndsTheThreadWithItsMessage) {
  Ring(3);
  CreateThread(true);
  target.during = [](const LINEMESSAGE &) { throw EAbort("handler refused the ring"); };
  thread->Resume();
  thread->WaitFor();
  Ring(1);

  EXPECT_EQ(std::vector<std::string>{std::string(kBoxPrefix) + "handler refused the ring"},
            boxes->Texts());
  EXPECT_EQ(std::vector<std::string>{"ERROR"}, boxes->Captions());
  EXPECT_EQ(1u, target.received.size());
  EXPECT_EQ(1u, Fetches()) << "later messages stay undelivered";
  EXPECT_TRUE(TapiHoldsMessages());
}

TEST_F(MessageThreadTest, OtherErrorInTheTargetEndsTheThreadWithTheUnknownBox) {
  Ring(2);
  CreateThread(true);
  target.during = [](const LINEMESSAGE &) { throw std::runtime_error("not a framework error"); };
  thread->Resume();
  thread->WaitFor();

  EXPECT_EQ(std::vector<std::string>{"UNKNOWN Internal error in [kwTAPIThread::Execute]!"},
            boxes->Texts());
  EXPECT_EQ(1u, target.received.size());
}

TEST_F(MessageThreadTest, FailedFetchEndsTheThreadWithTheSignedCode) {
  sim::Faults().FailNext("lineGetMessage", LINEERR_OPERATIONFAILED);
  Ring(2);
  CreateThread(true).Resume();
  thread->WaitFor();

  EXPECT_EQ(std::vector<std::string>{std::string(kBoxPrefix) +
                                     "lineGetMessage ERROR, returned: -2147483576"},
            boxes->Texts());
  EXPECT_TRUE(target.received.empty());
}

TEST_F(MessageThreadTest, SignalWithNothingQueuedEndsTheThreadWithTapisAnswer) {
  SetEvent(hTAPIEvent);
  CreateThread(true).Resume();
  thread->WaitFor();

  EXPECT_EQ(std::vector<std::string>{std::string(kBoxPrefix) +
                                     "lineGetMessage ERROR, returned: -2147483576"},
            boxes->Texts());
}

TEST_F(MessageThreadTest, MissingHandlesEndTheThreadAtOnce) {
  const std::string text = std::string(kBoxPrefix) +
                           "Please setup proper event handlers before using TAPI background "
                           "thread dispatcher!";
  Ring(1);
  CreateThread(true).hTAPIEvent = 0;
  thread->Resume();
  thread->WaitFor();
  EXPECT_EQ(std::vector<std::string>{text}, boxes->Texts());

  CreateThread(true).hStopEvent = 0;
  thread->Resume();
  thread->WaitFor();
  EXPECT_EQ((std::vector<std::string>{text, text}), boxes->Texts());
  EXPECT_EQ(0u, Fetches());
  EXPECT_TRUE(target.received.empty());
}

TEST_F(MessageThreadTest, InvalidWaitHandleEndsTheThread) {
  // A value no handle takes: a closed handle's value is handed out again on Windows, perhaps
  // to the thread itself, whose wait would then never end.
  CreateThread(true).hStopEvent = (HANDLE)(DWORD_PTR)0x7FFFFFF0;
  thread->Resume();
  thread->WaitFor();

  EXPECT_EQ(std::vector<std::string>{std::string(kBoxPrefix) +
                                     "Invalid return code from WaitForMultipleObjects."},
            boxes->Texts());
}

TEST_F(MessageThreadTest, WithoutTargetOnlyIdleCallsAreReleased) {
  const sim::CallId ended = exchange.OfferCall(0);
  exchange.HangUp(ended);
  exchange.OfferCall(0);
  Ring(1);
  ASSERT_EQ(2u, exchange.CallHandleCount());
  SetEvent(hStopEvent);
  CreateThread(false).Resume();
  thread->WaitFor();

  const auto released = sim::OperationJournal().Entries("lineDeallocateCall");
  ASSERT_EQ(1u, released.size());
  EXPECT_EQ(0, released[0].result);
  EXPECT_EQ(1u, exchange.CallHandleCount()) << "the live call keeps its handle";
  EXPECT_FALSE(TapiHoldsMessages()) << "every other message is fetched and dropped";
  EXPECT_TRUE(boxes->Texts().empty());
}

namespace {

// An exchange whose idle call-state messages reach the application without a call handle.
class HandleLosingExchange : public sim::Exchange {
 public:
  LONG LineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout) override {
    const LONG result = Exchange::LineGetMessage(hLineApp, lpMessage, dwTimeout);
    if (result == 0 && lpMessage->dwMessageID == LINE_CALLSTATE &&
        lpMessage->dwParam1 == LINECALLSTATE_IDLE)
      lpMessage->hDevice = 0;
    return result;
  }
};

class MessageThreadWithoutCallHandles : public MessageThreadTest {
 protected:
  void SetUp() override {
    previous_ = SetTapiProvider(&lossy_);
    MessageThreadTest::SetUp();
  }
  void TearDown() override {
    MessageThreadTest::TearDown();
    SetTapiProvider(previous_);
  }

  HandleLosingExchange lossy_;
  TapiProvider *previous_ = nullptr;
};

}  // namespace

TEST_F(MessageThreadWithoutCallHandles, IdleCallWithoutHandleReleasesNothing) {
  lossy_.HangUp(lossy_.OfferCall(0));
  SetEvent(hStopEvent);
  CreateThread(false).Resume();
  thread->WaitFor();

  EXPECT_GT(Fetches(), 0u);
  EXPECT_EQ(0u, sim::OperationJournal().Count("lineDeallocateCall"));
  EXPECT_TRUE(boxes->Texts().empty());
}

// The pump a blocking component method runs while it waits serves the line message thread.
TEST_F(MessageThreadTest, HandOffsAreServedByTheComponentsPump) {
  TkwTAPI tapi(nullptr);
  Ring(2);
  CreateThread(true).Resume();
  for (DWORD waited = 0; target.received.size() < 2; waited += 100) {
    ASSERT_LT(waited, test_support::kLongWaitMs) << "waited in vain for two hand-offs";
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    tapi.ProcessMessages();
  }
  EXPECT_TRUE(IsRing(target.received[1], hLine, 2));
}
