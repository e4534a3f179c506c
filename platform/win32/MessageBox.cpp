#include "platform/win32/MessageBox.h"

#include "platform/win32/Notice.h"

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  win32::ShowNotice(lpCaption ? lpCaption : "Error", lpText ? lpText : "", uType);
  return IDOK;
}
