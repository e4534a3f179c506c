// Windows whose procedure records what reaches it, and a thread that owns one and pumps.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/Waits.h"

namespace win32test {

struct Delivery {
  UINT message;
  WPARAM wParam;
  DWORD threadId;
};

class Recorder {
 public:
  Recorder() : seen_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
  ~Recorder() { CloseHandle(seen_); }

  // Runs inside the window procedure; the result is what SendMessageA returns.
  std::function<LRESULT(HWND, UINT, WPARAM)> onMessage;

  LRESULT Record(HWND hwnd, UINT message, WPARAM wParam) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      deliveries_.push_back({message, wParam, GetCurrentThreadId()});
    }
    LRESULT result =
        onMessage ? onMessage(hwnd, message, wParam) : static_cast<LRESULT>(wParam * 2);
    SetEvent(seen_);
    return result;
  }
  std::vector<Delivery> Deliveries() {
    std::lock_guard<std::mutex> hold(lock_);
    return deliveries_;
  }
  std::vector<UINT> Messages() {
    std::vector<UINT> messages;
    for (const auto &delivery : Deliveries()) messages.push_back(delivery.message);
    return messages;
  }
  // Waits until the procedure has run once more.
  void AwaitDelivery() {
    EXPECT_TRUE(test_support::Waited(
        WAIT_OBJECT_0, WaitForSingleObject(seen_, test_support::kLongWaitMs), "a delivery"));
  }

 private:
  std::mutex lock_;
  std::vector<Delivery> deliveries_;
  HANDLE seen_;
};

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto *recorder = reinterpret_cast<Recorder *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_CLOSE) PostQuitMessage(0);
  if (!recorder) return DefWindowProcA(hwnd, message, wParam, lParam);
  return recorder->Record(hwnd, message, wParam);
}

inline HWND MakeWindow(Recorder &recorder) {
  static const ATOM registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = "Win32TestRecorder";
    return RegisterClassA(&windowClass);
  }();
  (void)registered;
  HWND hwnd = CreateWindowExA(0, "Win32TestRecorder", "", 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&recorder));
  return hwnd;
}

// A thread that owns one recording window and pumps with GetMessageA until WM_CLOSE.
class WindowThread {
 public:
  explicit WindowThread(Recorder &recorder) : ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, &recorder] {
      hwnd_ = MakeWindow(recorder);
      threadId_ = GetCurrentThreadId();
      SetEvent(ready_);
      MSG msg;
      while (GetMessageA(&msg, 0, 0, 0) > 0) DispatchMessageA(&msg);
    });
    EXPECT_TRUE(test_support::Waited(WAIT_OBJECT_0,
                                     WaitForSingleObject(ready_, test_support::kLongWaitMs),
                                     "the window thread"));
  }
  ~WindowThread() {
    Stop();
    CloseHandle(ready_);
  }
  void Stop() {
    if (!thread_.joinable()) return;
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND Window() const { return hwnd_; }
  DWORD ThreadId() const { return threadId_; }

 private:
  HANDLE ready_;
  HWND hwnd_ = 0;
  DWORD threadId_ = 0;
  std::thread thread_;
};

}  // namespace win32test
