// Pumps the main thread's messages until a condition holds. A condition that never comes ends
// the test after a minute of real time, instead of hanging the suite; a fast platform clock
// does not shorten that minute.
#pragma once

#include <chrono>
#include <functional>
#include <stdexcept>

#include <vcl.h>
#include <windows.h>

namespace test_support {

inline void PumpMessagesUntil(const std::function<bool()> &done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      throw std::runtime_error("the awaited event did not come within a minute");
    // Bounded, since some conditions (a message box from a thread) post nothing to this one.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Application->ProcessMessages();
  }
}

}  // namespace test_support
