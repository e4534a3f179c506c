#include "examples/Interrupt.h"

#include <csignal>
#include <unistd.h>

namespace {

constexpr UINT WM_INTERRUPT = WM_APP + 2;
constexpr char kInterrupt = 'i';
constexpr char kQuit = 'q';

// A signal handler may do next to nothing; writing to a pipe is one thing it may do.
std::atomic<int> interruptPipe{-1};

void OnSignal(int) {
  const int fd = interruptPipe;
  if (fd >= 0) (void)!write(fd, &kInterrupt, 1);
}

void Handle(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
}

}  // namespace

void PressCtrlC() {
  std::raise(SIGINT);
}

TInterruptWatch::TInterruptWatch(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)),
      hWindow_(AllocateHWnd(this, &TInterruptWatch::OnMessage)) {
  if (pipe(pipe_) != 0) pipe_[0] = pipe_[1] = -1;
  interruptPipe = pipe_[1];
  watcher_ = std::thread([this] { Watch(); });
  // SA_RESETHAND: the handler serves the first Ctrl-C only; the next one ends the program.
  Handle(SIGINT, OnSignal, SA_RESETHAND | SA_RESTART);
}

TInterruptWatch::~TInterruptWatch() {
  Handle(SIGINT, SIG_DFL, 0);
  interruptPipe = -1;
  if (pipe_[1] >= 0) (void)!write(pipe_[1], &kQuit, 1);
  if (watcher_.joinable()) watcher_.join();
  for (const int fd : pipe_)
    if (fd >= 0) close(fd);
  DeallocateHWnd(hWindow_);
}

void TInterruptWatch::Watch() {
  char what = kQuit;
  while (pipe_[0] >= 0 && read(pipe_[0], &what, 1) == 1 && what == kInterrupt) {
    interrupted_ = true;
    PostMessageA(hWindow_, WM_INTERRUPT, 0, 0);
  }
}

void TInterruptWatch::OnMessage(TMessage &message) {
  if (message.Msg == WM_INTERRUPT) onInterrupt_();
}
