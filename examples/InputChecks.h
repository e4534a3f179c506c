// What corvax-phone checks before its first call, so that bad input ends the program at once
// with one line saying what to do (TUsageError), instead of failing in every call.
#pragma once

#include <string>

// The file exists, is a WAV file, and holds sound the line can play (through the wave mapper).
// Asks the wave devices of the provider in use, so it runs once the provider is chosen.
void CheckPlayableWaveFile(const std::string &path, const char *option);

// The debug log can be written: the file is created when missing and appended to otherwise.
void CheckLogFile(const std::string &path);
