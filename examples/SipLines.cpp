#include "examples/SipLines.h"

#include "providers/sip/SipProvider.h"

std::unique_ptr<TapiProvider> UseSipLines(const std::string &configPath) {
  auto provider = std::make_unique<sipnet::SipProvider>(configPath);
  provider->Install();
  return provider;
}
