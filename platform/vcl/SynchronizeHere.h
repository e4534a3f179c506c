// A thread of the host's that serves as the main thread of the framework threads created on
// it: their Synchronize calls run there, while it pumps its messages, rather than on the
// application's main thread. A host that serves several lines side by side gives each its own
// thread this way, and each line's component delivers its events to the thread that opened it.
#pragma once

#include <windows.h>

#include "HiddenWindow.h"

class TSynchronizeHere {
 public:
  // From now on, threads created on the calling thread synchronize with it. Scopes nest: the
  // innermost one of a thread counts.
  TSynchronizeHere();
  // On the same thread. The threads created under it must have ended: a Synchronize call
  // afterwards finds nobody to run it and raises.
  ~TSynchronizeHere();
  TSynchronizeHere(const TSynchronizeHere &) = delete;
  TSynchronizeHere &operator=(const TSynchronizeHere &) = delete;

  // The window a thread created on the calling thread synchronizes through; 0 where no scope
  // is open (the application's main thread then runs its calls).
  static HWND OfThisThread();

 private:
  void WndProc(TMessage &message);

  const HWND handle_;
  TSynchronizeHere *const outer_;
};
