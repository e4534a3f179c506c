#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "tests/support/Waits.h"

namespace {

class Events : public ::testing::Test {
 protected:
  HANDLE Make(bool manualReset, bool signalled) {
    HANDLE event = CreateEventA(nullptr, manualReset, signalled, nullptr);
    created_.push_back(event);
    return event;
  }
  bool IsSignalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }
  void TearDown() override {
    for (HANDLE event : created_) CloseHandle(event);
  }

 private:
  std::vector<HANDLE> created_;
};

TEST_F(Events, HandlesAreNonZeroAndNotReusedAfterClose) {
  HANDLE first = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(CloseHandle(first));
  HANDLE second = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_NE(second, 0u);
  EXPECT_NE(second, first);
  EXPECT_FALSE(CloseHandle(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  CloseHandle(second);
}

TEST_F(Events, ManualResetStaysSignalledUntilReset) {
  HANDLE event = Make(true, false);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(SetEvent(event));
  EXPECT_TRUE(IsSignalled(event));
  EXPECT_TRUE(IsSignalled(event));
  ASSERT_TRUE(ResetEvent(event));
  EXPECT_FALSE(IsSignalled(event));
}

TEST_F(Events, AutoResetIsConsumedByOneWait) {
  HANDLE event = Make(false, true);
  EXPECT_TRUE(IsSignalled(event));
  EXPECT_FALSE(IsSignalled(event));
}

TEST_F(Events, WaitAnyReportsLowestSignalledIndexAndConsumesOnlyIt) {
  HANDLE list[] = {Make(false, false), Make(false, false), Make(false, true), Make(false, true)};
  EXPECT_EQ(WaitForMultipleObjects(4, list, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_FALSE(IsSignalled(list[2]));
  EXPECT_TRUE(IsSignalled(list[3]));
}

TEST_F(Events, WaitAnyPrefersEntryZeroWhenBothAreSignalled) {
  HANDLE list[] = {Make(false, true), Make(true, true)};
  EXPECT_EQ(WaitForMultipleObjects(2, list, FALSE, test_support::kLongWaitMs), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, list, FALSE, test_support::kLongWaitMs), WAIT_OBJECT_0 + 1);
}

TEST_F(Events, WaitAllNeedsEveryObjectAndConsumesNothingUntilThen) {
  HANDLE list[] = {Make(false, true), Make(true, false), Make(false, false)};
  EXPECT_EQ(WaitForMultipleObjects(3, list, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForMultipleObjects(3, list, TRUE, 20), WAIT_TIMEOUT);
  SetEvent(list[1]);
  SetEvent(list[2]);
  EXPECT_EQ(WaitForMultipleObjects(3, list, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_FALSE(IsSignalled(list[0]));
  EXPECT_TRUE(IsSignalled(list[1]));
  EXPECT_FALSE(IsSignalled(list[2]));
}

TEST_F(Events, WaitAllReturnsOnceAnotherThreadSetsTheLastObject) {
  HANDLE list[] = {Make(true, false), Make(false, false)};
  auto waiter = std::async(std::launch::async, [&list] {
    return WaitForMultipleObjects(2, list, TRUE, test_support::kLongWaitMs);
  });
  SetEvent(list[0]);
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(test_support::kStillWaitingMs)),
            std::future_status::timeout)
      << "released with one object still unset";
  SetEvent(list[1]);
  EXPECT_TRUE(test_support::Waited(WAIT_OBJECT_0, waiter.get(), "the wait for both objects"));
  EXPECT_FALSE(IsSignalled(list[1]));
}

TEST_F(Events, WaitOnOneThreadIsReleasedBySetEventOnAnother) {
  HANDLE event = Make(false, false);
  auto waiter = std::async(std::launch::async, [event] {
    return WaitForSingleObject(event, test_support::kLongWaitMs);
  });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(test_support::kStillWaitingMs)),
            std::future_status::timeout)
      << "released before the event was set";
  SetEvent(event);
  EXPECT_TRUE(test_support::Waited(WAIT_OBJECT_0, waiter.get(), "the event"));
  EXPECT_FALSE(IsSignalled(event));
}

TEST_F(Events, InvalidOrClosedHandlesFailTheWait) {
  HANDLE valid = Make(true, true);
  HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  CloseHandle(closed);
  HANDLE withInvalid[] = {valid, 0};
  HANDLE withClosed[] = {valid, closed};
  EXPECT_EQ(WaitForSingleObject(0, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(2, withInvalid, FALSE, test_support::kLongWaitMs), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForMultipleObjects(2, withClosed, FALSE, test_support::kLongWaitMs), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(0, withClosed, FALSE, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(closed));
}

TEST_F(Events, ClosingAHandleReleasesItsWaitersWithWaitFailed) {
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE started = Make(true, false);
  HANDLE other = Make(true, false);
  auto waiter = std::async(std::launch::async, [&] {
    HANDLE list[] = {other, stop};
    SetEvent(started);
    return WaitForMultipleObjects(2, list, FALSE, test_support::kLongWaitMs);
  });
  EXPECT_TRUE(test_support::Waited(
      WAIT_OBJECT_0, WaitForSingleObject(started, test_support::kLongWaitMs), "the waiter"));
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(test_support::kStillWaitingMs)),
            std::future_status::timeout)
      << "released before the handle was closed";
  CloseHandle(stop);
  EXPECT_TRUE(test_support::Waited(WAIT_FAILED, waiter.get(), "the waiter's release"));
}

class ScaledClock : public Events {
 protected:
  void TearDown() override {
    win32::SetTimeScale(1.0);
    Events::TearDown();
  }
};

TEST_F(ScaledClock, ScaledSleepAdvancesTheTickCountByAtLeastItsLength) {
  win32::SetTimeScale(10000);
  EXPECT_EQ(win32::TimeScale(), 10000);
  DWORD before = GetTickCount();
  Sleep(10000);
  DWORD after = GetTickCount();
  EXPECT_GE(after - before, 10000u);
}

TEST_F(ScaledClock, TimedWaitsRunOnScaledTime) {
  win32::SetTimeScale(10000);
  HANDLE event = Make(true, false);
  double before = win32::VirtualNow();
  EXPECT_EQ(WaitForSingleObject(event, 20000), WAIT_TIMEOUT);
  EXPECT_GE(win32::VirtualNow() - before, 20000);
}

TEST_F(ScaledClock, VirtualTimeNeverGoesBackAcrossScaleChanges) {
  double start = win32::VirtualNow();
  win32::SetTimeScale(5000);
  double fast = win32::VirtualNow();
  win32::SetTimeScale(0.5);
  double slow = win32::VirtualNow();
  EXPECT_LE(start, fast);
  EXPECT_LE(fast, slow);
  EXPECT_THROW(win32::SetTimeScale(0), std::invalid_argument);
}

TEST_F(ScaledClock, SleepUntilReturnsOnceTheDeadlinePassed) {
  win32::SetTimeScale(10000);
  double deadline = win32::VirtualNow() + 30000;
  win32::SleepUntil(deadline);
  EXPECT_GE(win32::VirtualNow(), deadline);
}

}  // namespace
