// The console's standard input as the console modal driver needs it; one small file per system.
#pragma once

bool StandardInputIsTerminal();
// True once input waits, or after `milliseconds` with nothing to read (false then).
bool StandardInputReady(int milliseconds);
