#include "ConsoleInput.h"

#include <poll.h>
#include <unistd.h>

bool StandardInputIsTerminal() {
  return isatty(STDIN_FILENO);
}

bool StandardInputReady(int milliseconds) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  return poll(&input, 1, milliseconds) != 0;
}
