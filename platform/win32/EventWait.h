// The one wait loop behind every wait on events, with or without the calling thread's queue.
#pragma once

#include <functional>

#include "wintypes.h"

namespace win32::detail {

// Waits as WaitForMultipleObjects does. When queueReady (tested under the kernel lock, after
// each change announced for `queue`) turns true before the events satisfy the wait, returns
// WAIT_OBJECT_0 + nCount.
DWORD WaitForEvents(DWORD nCount, const HANDLE *lpHandles, bool waitAll, DWORD dwMilliseconds,
                    const void *queue, const std::function<bool()> &queueReady);

}  // namespace win32::detail
