#include "simulator/ProgramName.h"

#include <windows.h>

namespace sim {

// The module's file name without its folder.
std::string ProgramName() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string full(path, length);
  return full.substr(full.find_last_of("\\/") + 1);
}

}  // namespace sim
