// The running program's name, as TAPI names an application that gives no friendly name.
#pragma once

#include <string>

namespace sim {

std::string ProgramName();

}  // namespace sim
