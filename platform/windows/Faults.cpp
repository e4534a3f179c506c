// The system's own allocators and WriteFile stand where the Linux layer consults its fault
// plans; planned failures do not reach them.
#include "platform/win32/FileFaults.h"
#include "platform/win32/MemoryFaults.h"

namespace win32 {

bool AllocationFaultsApply() {
  return false;
}

bool FileWriteFaultsApply() {
  return false;
}

}  // namespace win32
