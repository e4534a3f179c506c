// corvax-phone devices: the line devices with what they can do, then the component's device
// dialog and a report on the device chosen in it.
#pragma once

#include <ostream>

#include "component/Kwtapi.h"

// `where` names the provider in the report: "the simulated exchange", "the system's TAPI".
void ListDevices(TkwTAPI &tapi, const std::string &where, std::ostream &out);
