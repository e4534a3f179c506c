#include "platform/win32/Sleep.h"

#include <chrono>
#include <thread>

#include "platform/win32/Clock.h"

void Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  if (dwMilliseconds == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  }
  win32::SleepUntil(win32::VirtualNow() + dwMilliseconds);
}

DWORD GetTickCount() {
  return static_cast<DWORD>(static_cast<uint64_t>(win32::VirtualNow()));
}
