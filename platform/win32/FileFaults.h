// Makes file writes fail on purpose, so that a full disk can be tested. A failing WriteFile
// writes the first half of its bytes, then returns FALSE with ERROR_DISK_FULL.
#pragma once

namespace win32 {

// The nth WriteFile from now fails once (1 = the next call).
void FailNthFileWrite(unsigned nth);
// Removes the planned failure and restarts the count of writes.
void ClearFileWriteFaults();
// The WriteFile calls since the last clear.
unsigned FileWriteCalls();
// Whether WriteFile consults the plan: the Linux layer's does; the system's on Windows does not.
bool FileWriteFaultsApply();

namespace detail {
// Counts one WriteFile; true when it must fail.
bool WriteShouldFail();
}  // namespace detail

}  // namespace win32
