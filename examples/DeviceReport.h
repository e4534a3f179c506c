// A readable account of what a line device and its first address can do.
#pragma once

#include <string>

#include <tapi.h>

// One indented line per capability; the address part is left out when pAddressCaps is null.
std::string DescribeDevice(const LINEDEVCAPS &devCaps, const LINEADDRESSCAPS *pAddressCaps);
