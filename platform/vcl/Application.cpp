#include "platform/vcl/Application.h"

#include <functional>

namespace {
// Constant-initialised, so the pointer is valid during any static initialisation.
constinit TApplication theApplication;
}  // namespace

TApplication *Application = &theApplication;

// The main thread's end destroys the window first when this is the global application.
TApplication::~TApplication() {
  if (handle_ != 0) DeallocateHWnd(handle_);
}

void TApplication::Initialize() {
  std::call_once(initialized_, [this] {
    handle_ = AllocateHWnd(this, &TApplication::WndProc);
    mainThreadId_ = GetCurrentThreadId();
  });
}

void RunSynchronizeCall(const TMessage &message) {
  if (message.Msg == TApplication::CM_SYNCHRONIZE)
    (*reinterpret_cast<std::function<void()> *>(message.LParam))();
}

void TApplication::WndProc(TMessage &message) {
  RunSynchronizeCall(message);
}

bool TApplication::ProcessMessage(MSG &msg) {
  if (!PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) return false;
  Dispatch(msg);
  return true;
}

void TApplication::Dispatch(const MSG &msg) {
  if (msg.message != WM_QUIT) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  } else if (GetCurrentThreadId() == mainThreadId_) {
    terminated_ = true;
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (GetMessageA(&msg, 0, 0, 0) >= 0) Dispatch(msg);
}

void TApplication::Run() {
  Initialize();
  while (!terminated_) HandleMessage();
}

void TApplication::Terminate() {
  terminated_ = true;
  // Wakes a Run that waits for a message.
  if (handle_ != 0) PostMessageA(handle_, WM_NULL, 0, 0);
}
