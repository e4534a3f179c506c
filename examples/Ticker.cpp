#include "examples/Ticker.h"

namespace {

constexpr UINT WM_TICK = WM_APP + 1;

}  // namespace

// Waits on the stop event with a time-out: each time-out is a tick, the event ends it.
class TTicker::TTickThread : public TThread {
 public:
  TTickThread(HWND hWindow, HANDLE hStop, DWORD dwInterval)
      : TThread(true), hWindow_(hWindow), hStop_(hStop), dwInterval_(dwInterval) {}

 protected:
  void Execute() override {
    while (WaitForSingleObject(hStop_, dwInterval_) == WAIT_TIMEOUT)
      PostMessageA(hWindow_, WM_TICK, 0, 0);
  }

 private:
  const HWND hWindow_;
  const HANDLE hStop_;
  const DWORD dwInterval_;
};

TTicker::TTicker(DWORD dwIntervalMs, std::function<void()> onTick)
    : onTick_(std::move(onTick)),
      hWindow_(AllocateHWnd(this, &TTicker::OnMessage)),
      hStop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      pThread_(new TTickThread(hWindow_, hStop_, dwIntervalMs)) {
  pThread_->Resume();
}

TTicker::~TTicker() {
  SetEvent(hStop_);
  // Waited for before deletion: a thread still running must not see its object destroyed.
  pThread_->WaitFor();
  delete pThread_;
  CloseHandle(hStop_);
  // Ticks still queued for the window are dropped with it.
  DeallocateHWnd(hWindow_);
}

void TTicker::OnMessage(TMessage &message) {
  if (message.Msg == WM_TICK) onTick_();
}
