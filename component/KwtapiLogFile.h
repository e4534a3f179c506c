// How the debug log reaches its file. Opening is one replaceable step, so that a test can make
// a path refuse to open a chosen number of times and then open.
#pragma once

#include <fstream>
#include <functional>
#include <ios>
#include <string>

using TLogFileOpen =
    std::function<void(std::ofstream &stream, const std::string &path, std::ios::openmode mode)>;

// Opens the stream on the path with the mode; the default step.
void OpenLogFile(std::ofstream &stream, const std::string &path, std::ios::openmode mode);

// Installs the open step and returns the one it replaces; an empty one restores the default.
TLogFileOpen SetLogFileOpen(TLogFileOpen open);
