// The Windows kernel and user services the system uses, under the name code includes on Windows.
#pragma once

#include "Clock.h"
#include "Events.h"
#include "Files.h"
#include "Format.h"
#include "Handles.h"
#include "Memory.h"
#include "MessageBox.h"
#include "Module.h"
#include "Sleep.h"
#include "WinUser.h"
#include "wintypes.h"
