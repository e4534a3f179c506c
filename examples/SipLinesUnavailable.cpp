#include "examples/PhoneOptions.h"
#include "examples/SipLines.h"

std::unique_ptr<TapiProvider> UseSipLines(const std::string & /*configPath*/) {
  throw TUsageError("--sip: SIP lines are built on Linux only; on Windows use --system-tapi");
}
