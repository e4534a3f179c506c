#include "thread/StopMessageThread.h"

#include "thread/Kwtapithread.h"

void StopMessageThread(kwTAPIThread *thread, HANDLE &hStopEvent) {
  if (hStopEvent != 0) SetEvent(hStopEvent);
  if (thread != nullptr) {
    thread->Terminate();
    // Inside its own hand-off the thread cannot end before we return, but it tests
    // Terminated before it could wait again, so the event may go now.
    if (!thread->InHandOff()) thread->WaitFor();
  }
  if (hStopEvent != 0) {
    CloseHandle(hStopEvent);
    hStopEvent = 0;
  }
}
