// corvax-phone devices: the line devices with what they can do, then the component's device
// dialog and a report on the device chosen in it.
#pragma once

#include <ostream>

#include "component/Kwtapi.h"

// `where` names the provider in the report: "the simulated exchange", "the system's TAPI".
void ListDevices(TkwTAPI &tapi, const std::string &where, std::ostream &out);

// How many line devices TAPI has (0 when it has none or cannot start).
DWORD CountDevices(TkwTAPI &tapi);
