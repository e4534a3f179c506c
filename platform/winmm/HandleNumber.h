// Handles as numbers. Handles are 32-bit numbers on the Linux platform layer and opaque
// pointers in the system's <windows.h> and <mmsystem.h>; these conversions hold for both, so
// that no code above them needs a cast that only one system accepts.
#pragma once

#include <cstdint>

#include "MmRecords.h"

namespace winmm {

// As a parameter carries it (DWORD_PTR, WPARAM).
template <class Handle>
uintptr_t HandleParameter(Handle handle) {
  return (uintptr_t)handle;
}

template <class Handle>
Handle HandleFromParameter(uintptr_t parameter) {
  return (Handle)parameter;
}

// The 32-bit number the layer keys its tables and journal by.
template <class Handle>
DWORD HandleNumber(Handle handle) {
  return static_cast<DWORD>(HandleParameter(handle));
}

}  // namespace winmm
