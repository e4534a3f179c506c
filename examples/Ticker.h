// Calls a function on the creating (main) thread at a fixed interval of the platform clock,
// for as long as it lives. The ticks arrive as window messages, so they are served by any
// message pump of that thread, among them the one a blocking component method runs while it
// waits.
#pragma once

#include <windows.h>

#include <functional>
#include <vcl.h>

class TTicker {
 public:
  TTicker(DWORD dwIntervalMs, std::function<void()> onTick);
  ~TTicker();
  TTicker(const TTicker &) = delete;
  TTicker &operator=(const TTicker &) = delete;

 private:
  class TTickThread;

  void OnMessage(TMessage &message);

  std::function<void()> onTick_;
  HWND hWindow_;
  HANDLE hStop_;
  TTickThread *pThread_;
};
