// The data side of a line's modem as lineGetIDA hands it out for "comm/datamodem": a fresh
// kernel handle each time, owned by the caller, who closes it with CloseHandle.
#pragma once

#include "wintypes.h"

namespace sim {

HANDLE OpenCommPort();

}  // namespace sim
