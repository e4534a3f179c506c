// Pumps the main thread's messages until a condition holds, for a bounded stretch of real time
// that a fast platform clock does not shorten, so that an event that never comes ends the test
// instead of hanging the suite.
#pragma once

#include <chrono>
#include <functional>
#include <stdexcept>

#include <vcl.h>
#include <windows.h>

namespace test_support {

// False once `limit()` of real time has passed without the condition; the limit is asked
// again each round, so a test may shorten it as it learns that the event will not come.
inline bool PumpMessagesWithin(const std::function<bool()> &done,
                               const std::function<std::chrono::milliseconds()> &limit) {
  const auto start = std::chrono::steady_clock::now();
  while (!done()) {
    if (std::chrono::steady_clock::now() - start > limit()) return false;
    // Bounded, since some conditions (a message box from a thread) post nothing to this one.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return true;
}

inline void PumpMessagesUntil(const std::function<bool()> &done) {
  if (!PumpMessagesWithin(done, [] { return std::chrono::minutes(1); }))
    throw std::runtime_error("the awaited event did not come within a minute");
}

}  // namespace test_support
