#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "WindowTestSupport.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/HiddenWindow.h"
#include "tests/support/Waits.h"

namespace {

TEST(HiddenWindow, MessagesReachTheBoundMethodWithTheirResult) {
  struct Receiver {
    void WndProc(TMessage &message) {
      if (message.Msg != WM_USER) return;
      received.push_back(message.WParam);
      message.Result = static_cast<LRESULT>(message.LParam + 1);
    }
    std::vector<WPARAM> received;
  } receiver;
  HWND window = AllocateHWnd(&receiver, &Receiver::WndProc);
  ASSERT_NE(window, 0u);
  EXPECT_EQ(SendMessageA(window, WM_USER, 1, 41), 42);
  PostMessageA(window, WM_USER, 2, 0);
  PostMessageA(window, WM_USER + 1, 3, 0);
  Application->ProcessMessages();
  EXPECT_EQ(receiver.received, (std::vector<WPARAM>{1, 2}));
  DeallocateHWnd(window);
  EXPECT_FALSE(PostMessageA(window, WM_USER, 4, 0));
  EXPECT_EQ(receiver.received.size(), 2u);
}

TEST(HiddenWindow, BelongsToTheThreadThatAllocatedIt) {
  std::atomic<DWORD> handledOn{0};
  HANDLE handled = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HWND window = 0;
  HANDLE created = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  std::thread owner([&] {
    window = AllocateHWnd([&](TMessage &message) {
      if (message.Msg != WM_USER) return;
      handledOn = GetCurrentThreadId();
      SetEvent(handled);
    });
    SetEvent(created);
    for (DWORD waited = 0;
         WaitForSingleObject(handled, 0) == WAIT_TIMEOUT && waited < test_support::kLongWaitMs;
         waited += 100) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
      Application->ProcessMessages();
    }
    DeallocateHWnd(window);
  });
  EXPECT_TRUE(test_support::Waited(
      WAIT_OBJECT_0, WaitForSingleObject(created, test_support::kLongWaitMs), "the window"));
  PostMessageA(window, WM_USER, 0, 0);
  Application->ProcessMessages();
  owner.join();
  EXPECT_NE(handledOn, 0u);
  EXPECT_NE(handledOn, GetCurrentThreadId());
  CloseHandle(handled);
  CloseHandle(created);
}

TEST(ApplicationPump, ProcessMessagesDispatchesEverythingAndStopsAtQuit) {
  TApplication application;
  std::thread([&application] {
    application.Initialize();
    win32test::Recorder recorder;
    HWND window = win32test::MakeWindow(recorder);
    PostMessageA(window, WM_USER, 1, 0);
    PostQuitMessage(0);
    PostMessageA(window, WM_USER, 2, 0);
    application.ProcessMessages();
    EXPECT_EQ(recorder.Messages(), (std::vector<UINT>{WM_USER, WM_USER}));
    EXPECT_TRUE(application.Terminated());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
    DestroyWindow(window);
  }).join();
}

TEST(ApplicationPump, RunPumpsUntilTerminateFromAnotherThread) {
  TApplication application;
  HANDLE running = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread mainThread([&] {
    application.Initialize();
    PostMessageA(0, WM_USER, 0, 0);
    SetEvent(running);
    application.Run();
  });
  EXPECT_TRUE(test_support::Waited(WAIT_OBJECT_0,
                                   WaitForSingleObject(running, test_support::kLongWaitMs),
                                   "the application to run"));
  application.Terminate();
  mainThread.join();
  EXPECT_TRUE(application.Terminated());
  CloseHandle(running);
}

}  // namespace
