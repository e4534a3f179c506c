// corvax-phone on SIP lines: the provider of a configuration file, installed until it is
// destroyed.
#pragma once

#include <memory>
#include <string>

#include "platform/tapi32/TapiProvider.h"

// TUsageError for a configuration that cannot be read or used, or where there is no SIP;
// std::runtime_error when the lines cannot start (an address in use).
std::unique_ptr<TapiProvider> UseSipLines(const std::string &configPath);
