// corvax-phone on SIP lines: the provider of a configuration file, installed until it is
// destroyed.
#pragma once

#include <memory>
#include <string>

#include "platform/tapi32/TapiProvider.h"

// TUsageError where there is no SIP.
std::unique_ptr<TapiProvider> UseSipLines(const std::string &configPath);
