#include "examples/LineSupervisor.h"

#include <mutex>
#include <thread>

#include <vcl.h>

namespace {

constexpr UINT WM_STOP_LINE = WM_APP + 3;

std::string Why(const std::exception_ptr &failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception &e) {
    return e.what();
  } catch (...) {
    return "an unknown error";
  }
}

}  // namespace

class TLineSupervisor::TLine {
 public:
  enum class TState { Running, AwaitingRestart, Over };

  TLine(DWORD dwDevice, std::string label) : dwDevice(dwDevice), label(std::move(label)) {}

  // The window through which Stop reaches the line's thread; 0 while it has none.
  void SetControl(HWND hWindow, bool bStopNow) {
    std::lock_guard<std::mutex> hold(controlLock_);
    hControl_ = hWindow;
    if (hWindow != 0 && bStopNow) PostMessageA(hWindow, WM_STOP_LINE, 0, 0);
  }
  void AskToStop() {
    std::lock_guard<std::mutex> hold(controlLock_);
    if (hControl_ != 0) PostMessageA(hControl_, WM_STOP_LINE, 0, 0);
  }

  const DWORD dwDevice;
  const std::string label;
  std::thread thread;
  TState state = TState::Running;
  int starts = 0;
  bool everServed = false;
  DWORD dwRestartAt = 0;
  // Written by the line's thread before `ended`, read after joining it.
  std::exception_ptr failure;
  bool served = false;
  std::atomic<bool> ended{false};

 private:
  std::mutex controlLock_;
  HWND hControl_ = 0;
};

TLineSupervisor::TLineSupervisor(TTimeline &timeline, TWork work, TRefusal onRefused)
    : timeline_(timeline),
      work_(std::move(work)),
      onRefused_(std::move(onRefused)),
      lineEnded_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

TLineSupervisor::~TLineSupervisor() {
  Stop();
  for (const auto &line : lines_)
    if (line->thread.joinable()) line->thread.join();
  CloseHandle(lineEnded_);
}

void TLineSupervisor::Run(const std::vector<DWORD> &devices) {
  lines_.clear();
  linesServed_ = 0;
  for (const DWORD dwDevice : devices) {
    const std::string label = devices.size() > 1 ? "line " + std::to_string(dwDevice) : "";
    lines_.push_back(std::make_unique<TLine>(dwDevice, label));
  }
  for (const auto &line : lines_) Launch(*line);
  for (;;) {
    const DWORD dwNow = GetTickCount();
    if (!Reap(dwNow)) break;
    HANDLE hEnded = lineEnded_;
    MsgWaitForMultipleObjects(1, &hEnded, FALSE, NextWait(dwNow), QS_ALLINPUT);
    Application->ProcessMessages();
  }
}

void TLineSupervisor::Stop() {
  stopping_ = true;
  for (const auto &line : lines_) line->AskToStop();
}

void TLineSupervisor::Launch(TLine &line) {
  ++line.starts;
  line.state = TLine::TState::Running;
  line.ended = false;
  line.failure = nullptr;
  line.served = false;
  TTimeline timeline = line.label.empty() ? timeline_ : timeline_.ForLine(line.label);
  if (line.starts > 1) timeline.Event("Starting the line again");
  line.thread = std::thread([this, &line, timeline] {
    TLineContext context(line.dwDevice, line.label, timeline, line.starts);
    try {
      // The line's component, opened on this thread, delivers its events here.
      TSynchronizeHere here;
      const HWND hControl = AllocateHWnd([&context](TMessage &message) {
        if (message.Msg == WM_STOP_LINE && context.onStop_) context.onStop_();
      });
      struct TControl {
        TLine &line;
        HWND hWindow;
        ~TControl() {
          line.SetControl(0, false);
          DeallocateHWnd(hWindow);
        }
      } control{line, hControl};
      line.SetControl(hControl, stopping_);
      work_(context);
    } catch (...) {
      line.failure = std::current_exception();
    }
    line.served = context.serving_;
    line.ended = true;
    SetEvent(lineEnded_);
  });
}

bool TLineSupervisor::Reap(DWORD dwNow) {
  bool bSomeLeft = false;
  for (const auto &owned : lines_) {
    TLine &line = *owned;
    if (line.state == TLine::TState::Running && line.ended) {
      line.thread.join();
      line.state = TLine::TState::Over;
      if (line.served && !line.everServed) ++linesServed_;
      line.everServed = line.everServed || line.served;
      TTimeline timeline = line.label.empty() ? timeline_ : timeline_.ForLine(line.label);
      if (line.failure && !line.served) {
        timeline.Event("Not serving line " + std::to_string(line.dwDevice) + ": " +
                       Why(line.failure));
        if (line.starts == 1 && onRefused_) onRefused_(line.dwDevice, line.failure);
      } else if (line.failure && !stopping_) {
        timeline.Event("The line stopped on an error (" + Why(line.failure) +
                       "); starting it again");
        line.state = TLine::TState::AwaitingRestart;
        line.dwRestartAt = dwNow + kRestartDelay;
      } else if (line.failure) {
        timeline.Event("The line stopped on an error (" + Why(line.failure) + ")");
      }
    }
    if (line.state == TLine::TState::AwaitingRestart) {
      if (stopping_) {
        line.state = TLine::TState::Over;
      } else if (static_cast<LONG>(dwNow - line.dwRestartAt) >= 0) {
        Launch(line);
      }
    }
    bSomeLeft = bSomeLeft || line.state != TLine::TState::Over;
  }
  return bSomeLeft;
}

DWORD TLineSupervisor::NextWait(DWORD dwNow) const {
  DWORD dwWait = INFINITE;
  for (const auto &line : lines_) {
    if (line->state != TLine::TState::AwaitingRestart) continue;
    const LONG lLeft = static_cast<LONG>(line->dwRestartAt - dwNow);
    dwWait = std::min<DWORD>(dwWait, lLeft > 0 ? static_cast<DWORD>(lLeft) : 0);
  }
  return dwWait;
}
