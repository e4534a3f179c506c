// Where the running program's file lies, so that it finds what is installed beside it.
#pragma once

#include <filesystem>

// The folder of the program's own file, symbolic links resolved.
std::filesystem::path ProgramFolder();

// The program's sounds (greeting, announcement, the demo callers' speech): share/corvax beside
// the program's bin folder, where both an installation and the build tree put them.
std::filesystem::path SoundFolder();
