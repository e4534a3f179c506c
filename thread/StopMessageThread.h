// How the component stops a line message thread and releases its stop event.
#pragma once

#include <windows.h>

class kwTAPIThread;

// Signals the stop event, terminates the thread and closes the stop event once the thread
// can no longer wait on it: after its end, which is awaited while hand-offs to the main
// thread go on being served, or at once when called from inside the thread's own hand-off.
// The event handle is cleared once closed, so a second call neither signals nor closes it.
void StopMessageThread(kwTAPIThread *thread, HANDLE &hStopEvent);
