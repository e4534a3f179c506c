#include "simulator/ProgramName.h"

#include <cerrno>

namespace sim {

std::string ProgramName() {
  return program_invocation_short_name;
}

}  // namespace sim
