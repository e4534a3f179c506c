#include "platform/win32/Handles.h"

#include <atomic>

#include "platform/win32/Kernel.h"

using win32::detail::Kernel;

namespace {
thread_local DWORD lastError = 0;
std::atomic<DWORD> lastThreadId{0};
}  // namespace

BOOL CloseHandle(HANDLE hObject) {
  Kernel &kernel = Kernel::Get();
  std::shared_ptr<win32::detail::KernelObject> object;
  {
    std::lock_guard<std::mutex> hold(kernel.lock);
    auto found = kernel.Find(hObject);
    if (!found || !found->Closable()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    object = kernel.Remove(hObject);
    object->OnClose();
    kernel.Announce(object.get());
  }
  return TRUE;
}

DWORD GetLastError() {
  return lastError;
}

void SetLastError(DWORD dwErrCode) {
  lastError = dwErrCode;
}

DWORD GetCurrentThreadId() {
  thread_local const DWORD id = ++lastThreadId;
  return id;
}
