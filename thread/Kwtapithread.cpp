#include "thread/Kwtapithread.h"

namespace {

enum WaitEntry : DWORD { TapiEventEntry = 0, StopEventEntry = 1 };

}  // namespace

// Messages are handed to the thread that creates this one (the component's caller) when the
// host has not named its main thread with Application->Initialize(); otherwise nothing changes.
kwTAPIThread::kwTAPIThread(bool createSuspended)
    : TThread(createSuspended), LineMessage{}, hTAPIEvent(0), hStopEvent(0), hLineApp(0) {
  Application->Initialize();
}

void kwTAPIThread::Execute() {
  try {
    WaitForMessages();
  } catch (Exception &e) {
    AnsiString text = AnsiString("Internal error in [kwTAPIThread::Execute] msg: ") + e.Message;
    MessageBoxA(0, text.c_str(), "ERROR", MB_OK);
  } catch (...) {
    MessageBoxA(0, "UNKNOWN Internal error in [kwTAPIThread::Execute]!", "ERROR", MB_OK);
  }
}

void kwTAPIThread::WaitForMessages() {
  if (hTAPIEvent == 0 || hStopEvent == 0)
    throw EAbort(
        "Please setup proper event handlers before using TAPI background thread "
        "dispatcher!");
  // A pending line message wins over a stop request: the lower index is reported first.
  HANDLE waitList[2] = {hTAPIEvent, hStopEvent};
  while (!Terminated) {
    switch (WaitForMultipleObjects(2, waitList, FALSE, INFINITE)) {
      case WAIT_OBJECT_0 + TapiEventEntry:
        FetchAndDeliver();
        break;
      case WAIT_OBJECT_0 + StopEventEntry:
        Terminate();
        break;
      default:
        throw EAbort("Invalid return code from WaitForMultipleObjects.");
    }
  }
}

void kwTAPIThread::FetchAndDeliver() {
  LINEMESSAGE message{};
  LONG result = lineGetMessage(hLineApp, &message, 0);
  if (result != 0) throw EAbort("lineGetMessage ERROR, returned: " + IntToStr(result));
  if (OnLineMessage) {
    LineMessage = message;
    Synchronize(&kwTAPIThread::SyncDispatch);
  } else {
    ReleaseIfIdle(message);
  }
}

// An instance without a dispatch target still owns the calls TAPI offers it; releasing
// them when they go idle keeps its call handles from piling up.
void kwTAPIThread::ReleaseIfIdle(const LINEMESSAGE &message) {
  if (message.dwMessageID == LINE_CALLSTATE && message.dwParam1 == LINECALLSTATE_IDLE &&
      message.hDevice != 0)
    lineDeallocateCall(message.hDevice);
}

void kwTAPIThread::Abandon() {
  StopDispatching();
  Terminate();
  FreeOnTerminate = true;
}

void kwTAPIThread::SyncDispatch() {
  if (!OnLineMessage || !dispatching_) return;
  struct HandOffMark {
    std::atomic<bool> &running;
    explicit HandOffMark(std::atomic<bool> &flag) : running(flag) { running = true; }
    ~HandOffMark() { running = false; }
  } mark(handOffRunning_);
  OnLineMessage(&LineMessage);
}
