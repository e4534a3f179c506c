#include <windows.h>

#include "platform/win32/Notice.h"

namespace win32::detail {

// The library's own MessageBoxA ends in the notice handler (MessageBox.cpp), so the real one
// is taken from user32 by name.
void SystemNotice(const std::string &caption, const std::string &text, UINT style) {
  using MessageBoxFunction = int(WINAPI *)(HWND, LPCSTR, LPCSTR, UINT);
  static const auto show = reinterpret_cast<MessageBoxFunction>(
      reinterpret_cast<void *>(GetProcAddress(LoadLibraryA("user32.dll"), "MessageBoxA")));
  if (show != nullptr) show(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace win32::detail
