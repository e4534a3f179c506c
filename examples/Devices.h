// corvax-phone devices: the line devices with what they can do, then the component's device
// dialog and a report on the device chosen in it.
#pragma once

#include <ostream>

#include "component/Kwtapi.h"

void ListDevices(TkwTAPI &tapi, std::ostream &out);
