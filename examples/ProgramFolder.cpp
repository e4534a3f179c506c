#include "examples/ProgramFolder.h"

std::filesystem::path SoundFolder() {
  return (ProgramFolder().parent_path() / "share" / "corvax").lexically_normal();
}
