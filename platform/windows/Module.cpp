#include <windows.h>

#include "platform/vcl/HiddenWindow.h"

namespace {

// The module this code is linked into: the library's DLL.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

const HINSTANCE HInstance = ThisModule();
