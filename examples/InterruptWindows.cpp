// Ctrl-C on Windows: the console runs its control handler on a thread of its own, which posts
// the window message directly.
#include <atomic>
#include <thread>

#include "examples/Interrupt.h"

namespace {

constexpr UINT WM_INTERRUPT = WM_APP + 2;

std::atomic<TInterruptWatch *> theWatch{nullptr};
std::atomic<HWND> theWindow{0};

BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;
  // The first Ctrl-C is the host's; with a second one the default handler ends the program.
  TInterruptWatch *watch = theWatch.exchange(nullptr);
  if (watch == nullptr) return FALSE;
  PostMessageA(theWindow, WM_INTERRUPT, 0, 0);
  return TRUE;
}

}  // namespace

void PressCtrlC() {
  std::thread console([] { OnControl(CTRL_C_EVENT); });
  console.join();
}

TInterruptWatch::TInterruptWatch(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)),
      hWindow_(AllocateHWnd(this, &TInterruptWatch::OnMessage)) {
  pipe_[0] = pipe_[1] = -1;
  theWindow = hWindow_;
  theWatch = this;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

TInterruptWatch::~TInterruptWatch() {
  SetConsoleCtrlHandler(OnControl, FALSE);
  theWatch = nullptr;
  DeallocateHWnd(hWindow_);
}

void TInterruptWatch::OnMessage(TMessage &message) {
  if (message.Msg != WM_INTERRUPT) return;
  interrupted_ = true;
  onInterrupt_();
}
