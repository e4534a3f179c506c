#include "Dialogs.h"

#include <windows.h>

void ShowMessage(const AnsiString &text) {
  MessageBoxA(0, text.c_str(), "", MB_OK);
}
