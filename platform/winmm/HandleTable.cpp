#include "HandleTable.h"

namespace winmm {

DWORD NextHandleValue() {
  // Kept apart from the kernel's handle values by a high bit, which makes mix-ups visible.
  static std::atomic<DWORD> next{0x40000001};
  return next.fetch_add(1);
}

}  // namespace winmm
