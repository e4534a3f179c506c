// corvax-phone: a host of the TkwTAPI component on the simulated exchange, and the program a
// telephony developer runs first: an answering machine (answer), a dialler (dial) and a
// report on the line devices (devices). See corvax-phone --help.
#include <unistd.h>

#include <iostream>

#include "examples/Phone.h"
#include "examples/ProgramFolder.h"
#include "platform/vcl/ModalDriver.h"

int main(int argc, char **argv) {
  // A console program asks at its console, on Windows too: the person who started it is there,
  // and a run without one (a script, a headless machine) cancels the device dialog instead of
  // waiting on a window nobody sees.
  ConsoleModalDriver().NameEntries("device");
  SetModalDriver(&ConsoleModalDriver());
  return RunPhone({argv + 1, argv + argc}, std::cout, std::cerr, isatty(STDOUT_FILENO) != 0,
                  SoundFolder().string());
}
