#include "platform/vcl/Thread.h"

#include <stdexcept>

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SynchronizeHere.h"

TThread::TThread(bool CreateSuspended)
    : synchronizeWindow_(TSynchronizeHere::OfThisThread()),
      synchronizeThread_(synchronizeWindow_ != 0 ? GetCurrentThreadId() : 0),
      createSuspended_(CreateSuspended),
      running_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      ended_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

TThread::~TThread() {
  if (started_) {
    Terminate();
    if (threadId_ == GetCurrentThreadId()) {
      // Deleted by its own Execute: nobody is left to wait for it.
      std::lock_guard<std::mutex> hold(lifecycle_);
      thread_.detach();
    } else {
      WaitFor();
    }
  }
  CloseHandle(running_);
  CloseHandle(ended_);
}

void TThread::Resume() {
  {
    std::lock_guard<std::mutex> hold(lifecycle_);
    if (started_) return;
    started_ = true;
    thread_ = std::thread([this] { Run(); });
  }
  // Until Execute is entered the object must stay whole: a destructor that began earlier
  // would leave the new thread only the abstract Execute to call.
  WaitForSingleObject(running_, INFINITE);
}

void TThread::Run() {
  threadId_ = GetCurrentThreadId();
  SetEvent(running_);
  try {
    Execute();
  } catch (...) {
    fatal_ = std::current_exception();
  }
  try {
    DoTerminate();
  } catch (...) {
    if (!fatal_) fatal_ = std::current_exception();
  }
  finished_ = true;
  SetEvent(ended_);
  if (FreeOnTerminate) delete this;
}

int TThread::WaitFor() {
  if (threadId_ == GetCurrentThreadId()) throw std::logic_error("a thread cannot wait for itself");
  if (!started_) return ReturnValue;
  WaitForEnd();
  std::lock_guard<std::mutex> hold(lifecycle_);
  if (thread_.joinable()) thread_.join();
  return ReturnValue;
}

bool TThread::OnSynchronizeThread() const {
  const DWORD dwThread = synchronizeWindow_ != 0 ? synchronizeThread_ : Application->MainThreadID();
  return dwThread == GetCurrentThreadId();
}

void TThread::WaitForEnd() {
  if (!OnSynchronizeThread()) {
    WaitForSingleObject(ended_, INFINITE);
    return;
  }
  const DWORD synchronizeWaiting = WAIT_OBJECT_0 + 1;
  while (MsgWaitForMultipleObjects(1, &ended_, FALSE, INFINITE, QS_SENDMESSAGE) ==
         synchronizeWaiting) {
    MSG msg;
    // Serves the sent Synchronize calls without dispatching posted messages.
    PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE);
  }
}

void TThread::Synchronize(const std::function<void()> &method) {
  if (!method) return;
  if (OnSynchronizeThread()) {
    method();
    return;
  }
  HWND mainWindow = synchronizeWindow_ != 0 ? synchronizeWindow_ : Application->Handle();
  // The framework's own exception, so that a thread's handler shows the text.
  if (mainWindow == 0)
    throw Exception(
        "Synchronize has no main thread to run on: call Application->Initialize() on the "
        "program's main thread first");
  bool ran = false;
  std::exception_ptr error;
  std::function<void()> call = [&] {
    ran = true;
    try {
      method();
    } catch (...) {
      error = std::current_exception();
    }
  };
  SendMessageA(mainWindow, TApplication::CM_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&call));
  if (!ran) throw std::runtime_error("the main thread ended before it ran a Synchronize call");
  if (error) std::rethrow_exception(error);
}
