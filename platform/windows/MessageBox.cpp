// The component's MessageBoxA calls go through the notice handler on Windows too, so that a
// host or a test decides what a message box does; the default handler shows the real one.
// <winuser.h> declares MessageBoxA as an import from user32.dll, so every call in the library
// reads the import pointer: defining that pointer here binds them all to RoutedMessageBoxA,
// and user32's own entry is never linked in.
#include <windows.h>

#include "platform/win32/Notice.h"

namespace {

int WINAPI RoutedMessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  win32::ShowNotice(lpCaption ? lpCaption : "Error", lpText ? lpText : "", uType);
  return IDOK;
}

}  // namespace

#ifdef _WIN64
#define CORVAX_MESSAGEBOX_IMPORT "__imp_MessageBoxA"
#else
#define CORVAX_MESSAGEBOX_IMPORT "__imp__MessageBoxA@16"
#endif

extern "C" {
extern decltype(&MessageBoxA) const routedMessageBoxA asm(CORVAX_MESSAGEBOX_IMPORT);
decltype(&MessageBoxA) const routedMessageBoxA = RoutedMessageBoxA;
}
