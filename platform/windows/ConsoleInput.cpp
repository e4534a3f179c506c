#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/vcl/ConsoleInput.h"

bool StandardInputIsTerminal() {
  return _isatty(_fileno(stdin));
}

// A console input handle is signalled while input events wait.
bool StandardInputReady(int milliseconds) {
  return WaitForSingleObject(GetStdHandle(STD_INPUT_HANDLE), static_cast<DWORD>(milliseconds)) !=
         WAIT_TIMEOUT;
}
