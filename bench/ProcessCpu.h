// What the line-audio benchmarks measure with: the process's CPU time, and the message pump
// the component's blocking sound operations run.
#pragma once

#include <time.h>
#include <windows.h>

inline double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

inline void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}
