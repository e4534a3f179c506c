#include <windows.h>

#include <string>

#include "examples/ProgramFolder.h"

std::filesystem::path ProgramFolder() {
  std::string path(MAX_PATH, '\0');
  DWORD length = 0;
  // A longer path fills the buffer exactly; grow until it fits.
  while ((length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size())
    path.resize(path.size() * 2);
  path.resize(length);
  return std::filesystem::path(path).parent_path();
}
