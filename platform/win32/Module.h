// The module instance handle of the package.
#pragma once

#include "wintypes.h"

extern const HINSTANCE HInstance;
