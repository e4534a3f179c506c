// The Windows kernel and user services the system uses, under the name code includes on Windows.
#pragma once

#include "Clock.h"
#include "Events.h"
#include "Handles.h"
#include "WinUser.h"
#include "wintypes.h"
