// File-system queries of the framework.
#pragma once

#include "AnsiString.h"

// True when the path names an existing file; a folder is not a file.
bool FileExists(const AnsiString &fileName);
