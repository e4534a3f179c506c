// Stopping a line message thread: the stop event outlives every wait on it, a thread blocked
// in a hand-off is served rather than deadlocked, and a second stop touches nothing.
#include "simulator/Operation.h"
#include "tests/thread/MessageThreadFixture.h"
#include "thread/StopMessageThread.h"
#include "tests/support/Waits.h"

using StopMessageThreadTest = MessageThreadTest;

namespace {

bool IsClosed(HANDLE handle) {
  return WaitForSingleObject(handle, 0) == WAIT_FAILED;
}

}  // namespace

TEST_F(StopMessageThreadTest, WaitingThreadEndsBeforeItsStopEventIsClosed) {
  const HANDLE event = hStopEvent;
  CreateThread(true).Resume();
  StopMessageThread(thread.get(), hStopEvent);

  EXPECT_TRUE(thread->Finished());
  EXPECT_EQ(HANDLE{}, hStopEvent);
  EXPECT_TRUE(IsClosed(event));
  EXPECT_TRUE(boxes->Texts().empty()) << "the thread never waited on a closed event";
}

TEST_F(StopMessageThreadTest, SecondStopNeitherSignalsNorClosesAgain) {
  CreateThread(true).Resume();
  StopMessageThread(thread.get(), hStopEvent);
  SetLastError(0);
  StopMessageThread(thread.get(), hStopEvent);

  EXPECT_EQ(0u, GetLastError()) << "no call was made on a released handle";
  EXPECT_EQ(HANDLE{}, hStopEvent);
  EXPECT_TRUE(boxes->Texts().empty());
}

TEST_F(StopMessageThreadTest, StopWhileAHandOffIsPendingServesItInsteadOfDeadlocking) {
  const HANDLE fetching = CreateEventA(NULL, TRUE, FALSE, NULL);
  sim::Faults().FailWhen(
      "lineGetMessage",
      [fetching](const sim::Invocation &) {
        SetEvent(fetching);
        return false;
      },
      0);
  Ring(1);
  CreateThread(true).Resume();
  // The thread has the message in hand and nothing but this stop serves its hand-off.
  ASSERT_TRUE(test_support::Waited(WAIT_OBJECT_0,
                                   WaitForSingleObject(fetching, test_support::kLongWaitMs),
                                   "the thread to fetch the message"));
  StopMessageThread(thread.get(), hStopEvent);
  CloseHandle(fetching);

  EXPECT_TRUE(thread->Finished());
  ASSERT_EQ(1u, target.received.size());
  EXPECT_EQ(HANDLE{}, hStopEvent);
  EXPECT_TRUE(boxes->Texts().empty());
}

TEST_F(StopMessageThreadTest, StopFromInsideTheThreadsOwnHandOffReturnsAtOnce) {
  Ring(2);
  CreateThread(true);
  bool stopReturned = false;
  target.during = [&](const LINEMESSAGE &) {
    StopMessageThread(thread.get(), hStopEvent);
    stopReturned = true;
  };
  thread->Resume();
  PumpUntil([&] { return stopReturned; });
  thread->WaitFor();

  EXPECT_EQ(HANDLE{}, hStopEvent);
  EXPECT_EQ(1u, target.received.size()) << "the thread ends after the hand-off it was in";
  EXPECT_TRUE(TapiHoldsMessages());
  EXPECT_TRUE(boxes->Texts().empty()) << "the thread never waited on the closed event";
}

TEST_F(StopMessageThreadTest, ThreadThatEndedOnAnErrorIsStoppedCleanly) {
  CreateThread(true).hTAPIEvent = 0;
  thread->Resume();
  thread->WaitFor();
  const HANDLE event = hStopEvent;
  StopMessageThread(thread.get(), hStopEvent);

  EXPECT_EQ(HANDLE{}, hStopEvent);
  EXPECT_TRUE(IsClosed(event));
  EXPECT_EQ(1u, boxes->Texts().size());
}

TEST_F(StopMessageThreadTest, ThreadNeverResumedIsNotWaitedForAndNeverRuns) {
  CreateThread(true);
  Ring(1);
  StopMessageThread(thread.get(), hStopEvent);
  thread.reset();

  EXPECT_EQ(HANDLE{}, hStopEvent);
  EXPECT_EQ(0u, Fetches());
  EXPECT_TRUE(boxes->Texts().empty());
}

TEST_F(StopMessageThreadTest, StopEventWithoutAThreadIsStillReleased) {
  const HANDLE event = hStopEvent;
  StopMessageThread(nullptr, hStopEvent);

  EXPECT_EQ(HANDLE{}, hStopEvent);
  EXPECT_TRUE(IsClosed(event));
}
