// Bounded waits for the tests: nothing waits for ever, and a wait that runs out says what it
// waited for. The bounds are on the platform clock, which the tests that use them leave at
// real speed.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>

namespace test_support {

// Long enough for a loaded machine (or Wine), short of hanging the suite.
constexpr DWORD kLongWaitMs = 30000;
// A waiter that is still blocked after this long is taken to be blocked.
constexpr DWORD kStillWaitingMs = 50;

// `result`, what a wait function returned, is `expected`; a timeout names what was awaited.
inline ::testing::AssertionResult Waited(DWORD expected, DWORD result, const char *what) {
  if (result == expected) return ::testing::AssertionSuccess();
  if (result == WAIT_TIMEOUT) {
    return ::testing::AssertionFailure()
           << "waited " << kLongWaitMs / 1000 << " s in vain for " << what;
  }
  return ::testing::AssertionFailure()
         << "waiting for " << what << ": the wait returned " << result << ", not " << expected;
}

// Yields until `done` holds, for as long as kLongWaitMs of real time, which no fast clock
// shortens; the failure names `what`.
inline ::testing::AssertionResult YieldUntil(const std::function<bool()> &done, const char *what) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLongWaitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) {
      return ::testing::AssertionFailure()
             << "waited " << kLongWaitMs / 1000 << " s in vain for " << what;
    }
    std::this_thread::yield();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace test_support
