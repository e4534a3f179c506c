#include "examples/SipLines.h"

#include <stdexcept>

#include "examples/PhoneOptions.h"
#include "providers/sip/SipProvider.h"

std::unique_ptr<TapiProvider> UseSipLines(const std::string &configPath) {
  // Read first, so that a file that cannot serve is bad input told in one line.
  try {
    sipnet::ReadConfig(configPath);
  } catch (const sipnet::ConfigError &error) {
    throw TUsageError(std::string("--sip: ") + error.what());
  }
  auto provider = std::make_unique<sipnet::SipProvider>(configPath);
  if (provider->StartError() != 0)
    throw std::runtime_error("the SIP lines cannot serve: " + provider->StartReason());
  provider->Install();
  return provider;
}
