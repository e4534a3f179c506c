// corvax-phone: a host of the TkwTAPI component on the simulated exchange, and the program a
// telephony developer runs first: an answering machine (answer), a dialler (dial) and a
// report on the line devices (devices). See corvax-phone --help.
#include <unistd.h>

#include <iostream>

#include "examples/Phone.h"

int main(int argc, char **argv) {
  return RunPhone({argv + 1, argv + argc}, std::cout, std::cerr, isatty(STDOUT_FILENO) != 0);
}
