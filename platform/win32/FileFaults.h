// Makes file writes fail on purpose, so that a full disk can be tested. A failing WriteFile
// writes what still fits (the first half of its bytes for a planned nth failure), then returns
// FALSE with ERROR_DISK_FULL.
#pragma once

#include "wintypes.h"

namespace win32 {

// The nth WriteFile from now fails once (1 = the next call).
void FailNthFileWrite(unsigned nth);
// A disk with `bytes` free: once that many more bytes have been written, every WriteFile
// fails until the faults are cleared.
void FillDiskAfter(unsigned long long bytes);
// Removes the planned failures and restarts the count of writes.
void ClearFileWriteFaults();
// The WriteFile calls since the last clear.
unsigned FileWriteCalls();
// Whether WriteFile consults the plan: the Linux layer's does; the system's on Windows does not.
bool FileWriteFaultsApply();

namespace detail {
// Counts one WriteFile of `bytes`: how many of them it writes, and whether it then fails.
struct WriteDecision {
  DWORD bytes;
  bool failed;
};
WriteDecision DecideWrite(DWORD bytes);
}  // namespace detail

}  // namespace win32
