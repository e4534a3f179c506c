#include <windows.h>

#include <gtest/gtest.h>

#include <future>

#include "WindowTestSupport.h"
#include "tests/support/Waits.h"

namespace {

using win32test::MakeWindow;
using win32test::Recorder;
using win32test::WindowThread;

// Empties the calling thread's queue so that one test's leftovers cannot reach the next.
void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
  }
}

class Messages : public ::testing::Test {
 protected:
  void SetUp() override { Drain(); }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
    Drain();
  }
  HWND OwnWindow() { return window_ = MakeWindow(recorder_); }

  Recorder recorder_;
  HWND window_ = 0;
};

TEST_F(Messages, PostedMessagesAreTakenInOrderThroughWindowAndRangeFilters) {
  HWND window = OwnWindow();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(PostMessageA(window, WM_USER + 1, 10, 0));
  ASSERT_TRUE(PostMessageA(window, WM_USER + 2, 20, 0));
  ASSERT_TRUE(PostMessageA(0, WM_USER + 3, 30, 0));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, 0, WM_USER + 2, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(msg.hwnd, window);
  EXPECT_EQ(DispatchMessageA(&msg), 20);
  EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 3));
  EXPECT_EQ(msg.hwnd, 0u);
  EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(recorder_.Messages(), std::vector<UINT>{WM_USER + 1});
}

TEST_F(Messages, QuitIsReportedAfterThePostedMessagesAndStaysUntilRemoved) {
  PostMessageA(0, WM_USER, 0, 0);
  PostQuitMessage(7);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, 0, WM_APP, WM_APP, PM_REMOVE) == FALSE);
  ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  ASSERT_TRUE(PeekMessageA(&msg, 0, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
}

TEST_F(Messages, GetMessageReturnsZeroForQuit) {
  PostQuitMessage(3);
  MSG msg;
  EXPECT_EQ(GetMessageA(&msg, 0, 0, 0), FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(GetMessageA(&msg, INVALID_HANDLE_VALUE, 0, 0), -1);
}

TEST_F(Messages, DestroyedWindowGetsItsLastMessagesAndLosesWhatWasQueued) {
  HWND window = MakeWindow(recorder_);
  PostMessageA(window, WM_USER, 1, 0);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_EQ(recorder_.Messages(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageA(window, WM_USER, 2, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(SendMessageA(window, WM_USER, 3, 0), 0);
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ(recorder_.Messages().size(), 2u);
}

TEST_F(Messages, SendToOwnWindowCallsTheProcedureDirectly) {
  HWND window = OwnWindow();
  EXPECT_EQ(SendMessageA(window, WM_USER, 21, 0), 42);
  ASSERT_EQ(recorder_.Deliveries().size(), 1u);
  EXPECT_EQ(recorder_.Deliveries()[0].threadId, GetCurrentThreadId());
}

TEST_F(Messages, AWindowsMessagesReachOnlyItsOwnerThread) {
  Recorder remote;
  WindowThread owner(remote);
  ASSERT_TRUE(PostMessageA(owner.Window(), WM_USER, 5, 0));
  remote.AwaitDelivery();
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  MSG forged{owner.Window(), WM_USER, 6, 0, 0, {0, 0}};
  EXPECT_EQ(DispatchMessageA(&forged), 0);
  EXPECT_FALSE(DestroyWindow(owner.Window()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  owner.Stop();
  auto deliveries = remote.Deliveries();
  ASSERT_EQ(deliveries.size(), 4u);
  EXPECT_EQ(deliveries[0].message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(deliveries[0].wParam, 5u);
  EXPECT_EQ(remote.Messages(), (std::vector<UINT>{WM_USER, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  for (const auto &delivery : deliveries) EXPECT_EQ(delivery.threadId, owner.ThreadId());
}

TEST_F(Messages, SendFromAnotherThreadWaitsUntilTheOwnerPumps) {
  HWND window = OwnWindow();
  auto sender =
      std::async(std::launch::async, [window] { return SendMessageA(window, WM_USER, 50, 0); });
  // The pump below serves the sender whatever this wait gave, so that no failure strands it.
  EXPECT_TRUE(test_support::Waited(
      WAIT_OBJECT_0,
      MsgWaitForMultipleObjects(0, nullptr, FALSE, test_support::kLongWaitMs, QS_SENDMESSAGE),
      "the sent message"));
  EXPECT_TRUE(recorder_.Deliveries().empty());
  EXPECT_EQ(sender.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
  MSG msg;
  // A pump serves sent messages whatever its filter, without reporting them.
  EXPECT_FALSE(PeekMessageA(&msg, 0, WM_APP, WM_APP, PM_NOREMOVE));
  EXPECT_EQ(sender.get(), 100);
  ASSERT_EQ(recorder_.Deliveries().size(), 1u);
  EXPECT_EQ(recorder_.Deliveries()[0].threadId, GetCurrentThreadId());
}

TEST_F(Messages, ThreadsSendingToEachOtherServeEachOtherWhileWaiting) {
  HWND local = OwnWindow();
  Recorder remote;
  remote.onMessage = [local](HWND, UINT message, WPARAM wParam) -> LRESULT {
    if (message != WM_USER) return 0;
    return SendMessageA(local, WM_USER, wParam + 1, 0) + 1;
  };
  WindowThread owner(remote);
  EXPECT_EQ(SendMessageA(owner.Window(), WM_USER, 10, 0), 23);
  ASSERT_EQ(recorder_.Deliveries().size(), 1u);
  EXPECT_EQ(recorder_.Deliveries()[0].threadId, GetCurrentThreadId());
}

TEST_F(Messages, AThreadsEndDestroysItsWindowsAndReleasesItsSenders) {
  Recorder remote;
  HANDLE sent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND window = 0;
  std::promise<HWND> created;
  std::thread owner([&] {
    created.set_value(MakeWindow(remote));
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, test_support::kLongWaitMs, QS_SENDMESSAGE) ==
        WAIT_OBJECT_0)
      SetEvent(sent);
  });
  window = created.get_future().get();
  EXPECT_EQ(SendMessageA(window, WM_USER, 9, 0), 0);
  owner.join();
  EXPECT_EQ(WaitForSingleObject(sent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(remote.Messages(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
  CloseHandle(sent);
}

TEST_F(Messages, MsgWaitReportsEventsBeforeTheQueue) {
  HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  PostMessageA(0, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_POSTMESSAGE), WAIT_OBJECT_0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_POSTMESSAGE), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_SENDMESSAGE), WAIT_TIMEOUT);
  CloseHandle(event);
}

}  // namespace
