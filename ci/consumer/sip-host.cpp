// A host of the SIP provider built outside the source tree against an installed Corvax: it
// reads the configuration named on its command line and says whether its lines could serve.
#include <iostream>

#include "providers/sip/SipProvider.h"

int main(int argc, char **argv) {
  if (argc != 2) return 2;
  sipnet::SipProvider lines(argv[1]);
  if (lines.StartError() != 0) {
    std::cout << "refused: " << lines.StartReason() << "\n";
    return 1;
  }
  std::cout << lines.Lines().size() << " line(s)\n";
  return 0;
}
