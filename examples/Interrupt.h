// Ctrl-C for a host whose main thread spends its time inside the component's blocking
// methods: SIGINT is turned into a window message of the main thread, so the host reacts to
// it from whatever message pump runs there (the component's own while it plays or records),
// where it may call the component. A second Ctrl-C ends the program at once.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vcl.h>

// Ctrl-C as the terminal delivers it to this process: SIGINT on Linux; on Windows the
// console's control event, run on a thread of its own as the console runs its handlers.
void PressCtrlC();

class TInterruptWatch {
 public:
  // onInterrupt runs on the creating (main) thread. One watch at a time per process.
  explicit TInterruptWatch(std::function<void()> onInterrupt);
  ~TInterruptWatch();
  TInterruptWatch(const TInterruptWatch &) = delete;
  TInterruptWatch &operator=(const TInterruptWatch &) = delete;

  bool Interrupted() const { return interrupted_; }

 private:
  void Watch();
  void OnMessage(TMessage &message);

  std::function<void()> onInterrupt_;
  std::atomic<bool> interrupted_{false};
  HWND hWindow_;
  int pipe_[2];
  std::thread watcher_;
};
