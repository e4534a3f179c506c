// Sleep and the tick count, both on the platform clock's virtual time.
#pragma once

#include "wintypes.h"

#define INFINITE 0xFFFFFFFFu

void Sleep(DWORD dwMilliseconds);
DWORD GetTickCount();
