// The application object: which thread is the main thread, and its message pump.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

#include "HiddenWindow.h"

class TApplication {
 public:
  constexpr TApplication() = default;
  ~TApplication();
  TApplication(const TApplication &) = delete;
  TApplication &operator=(const TApplication &) = delete;

  // Makes the calling thread the main thread and gives it the hidden window on which other
  // threads' Synchronize calls run. Later calls change nothing.
  void Initialize();

  DWORD MainThreadID() const { return mainThreadId_; }
  // The hidden window; 0 before Initialize.
  HWND Handle() const { return handle_; }
  bool Terminated() const { return terminated_; }

  // Dispatches every message waiting in the calling thread's queue, then returns. A quit
  // message seen on the main thread ends Run.
  void ProcessMessages();
  // Waits for one message of the calling thread and dispatches it.
  void HandleMessage();
  // Pumps the calling thread's messages until Terminate.
  void Run();
  // Callable from any thread.
  void Terminate();

  // Sent to the hidden window; lParam points to the std::function<void()> to run.
  static constexpr UINT CM_SYNCHRONIZE = WM_APP + 0x3F00;

 private:
  // Takes one message; false when the queue is empty.
  bool ProcessMessage(MSG &msg);
  void Dispatch(const MSG &msg);
  void WndProc(TMessage &message);

  std::once_flag initialized_;
  std::atomic<DWORD> mainThreadId_{0};
  std::atomic<HWND> handle_{0};
  std::atomic<bool> terminated_{false};
};

// Always valid, also before Initialize.
extern TApplication *Application;

// Runs the call a CM_SYNCHRONIZE message carries; other messages are left alone.
void RunSynchronizeCall(const TMessage &message);
