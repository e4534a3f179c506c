// The component's side of the hand-off: its message pump and its message dispatcher.
#include <gtest/gtest.h>
#include <windows.h>
#include <vcl.h>

#include <vector>

#include "component/Kwtapi.h"

namespace {

// A window of the calling thread that records the messages dispatched to it.
class RecordingWindow {
 public:
  RecordingWindow() {
    static const ATOM registered = [] {
      WNDCLASSA windowClass{};
      windowClass.lpfnWndProc = &RecordingWindow::WndProc;
      windowClass.hInstance = HInstance;
      windowClass.lpszClassName = "CorvaxRecordingWindow";
      return RegisterClassA(&windowClass);
    }();
    EXPECT_NE(0, registered);
    handle =
        CreateWindowExA(0, "CorvaxRecordingWindow", "", 0, 0, 0, 0, 0, 0, 0, HInstance, nullptr);
    SetWindowLongPtrA(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~RecordingWindow() { DestroyWindow(handle); }

  HWND handle = 0;
  std::vector<UINT> messages;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto *self = reinterpret_cast<RecordingWindow *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self != nullptr && message >= WM_USER) self->messages.push_back(message);
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
};

class ComponentPumpTest : public ::testing::Test {
 protected:
  TkwTAPI tapi{nullptr};
  RecordingWindow window;
};

}  // namespace

TEST_F(ComponentPumpTest, EmptyQueueReturnsAtOnce) {
  MSG msg;
  EXPECT_FALSE(tapi.ProcessMessage(msg));
  tapi.ProcessMessages();
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(ComponentPumpTest, EveryWaitingMessageIsDispatchedInOrder) {
  PostMessageA(window.handle, WM_USER + 1, 0, 0);
  PostMessageA(window.handle, WM_USER + 2, 0, 0);
  tapi.ProcessMessages();

  EXPECT_EQ((std::vector<UINT>{WM_USER + 1, WM_USER + 2}), window.messages);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE));
}

TEST_F(ComponentPumpTest, QuitRequestIsRemovedAndThePumpGoesOn) {
  PostQuitMessage(3);
  PostMessageA(window.handle, WM_USER + 1, 0, 0);
  MSG msg;
  ASSERT_TRUE(tapi.ProcessMessage(msg));
  EXPECT_EQ(WM_USER + 1u, msg.message);
  ASSERT_TRUE(tapi.ProcessMessage(msg)) << "a quit request is a message taken, not an end";
  EXPECT_EQ(WM_QUIT, msg.message);
  PostMessageA(window.handle, WM_USER + 2, 0, 0);
  tapi.ProcessMessages();

  EXPECT_EQ((std::vector<UINT>{WM_USER + 1, WM_USER + 2}), window.messages);
  EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE)) << "the quit request is gone";
}

// Records what the component's dispatcher hands on to the framework's default handler.
class DispatchProbe : public TkwTAPI {
 public:
  DispatchProbe() : TkwTAPI(nullptr) {}
  void DefaultHandler(void *Message) override { handled.push_back(Message); }
  std::vector<void *> handled;
};

TEST(ComponentDispatchTest, EveryMessageReachesTheDefaultHandlerUnchanged) {
  DispatchProbe probe;
  MSG message{0, WM_USER + 7, 1, 2, 0, {0, 0}};
  probe.Dispatch(&message);

  ASSERT_EQ(std::vector<void *>{&message}, probe.handled);
  EXPECT_EQ(WM_USER + 7u, message.message);
  EXPECT_EQ(1u, message.wParam);
  EXPECT_EQ(2, message.lParam);
}
