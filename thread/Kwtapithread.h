// The background thread that fetches one line-application instance's messages and hands
// each one to the main thread, one at a time, in the order TAPI queued them.
#pragma once

#include <windows.h>
#include <tapi.h>
#include <vcl.h>

#include <atomic>

#include "platform/vcl/Thread.h"

// The dispatch target: the component and its handler of one line message.
typedef TClosure<void(LINEMESSAGE *)> TLineMessageEvent;

class kwTAPIThread : public TThread {
 public:
  // The slot of the message being handed off; written only while the main thread is not
  // reading it.
  LINEMESSAGE LineMessage;
  HANDLE hTAPIEvent;
  TLineMessageEvent OnLineMessage;
  HANDLE hStopEvent;
  HLINEAPP hLineApp;

  explicit kwTAPIThread(bool createSuspended);

  // Runs on the main thread inside Synchronize.
  void SyncDispatch();

  // True while the main thread is running this thread's hand-off: the thread is then
  // blocked in Synchronize and tests Terminated before it could wait again.
  bool InHandOff() const { return handOffRunning_.load(); }

 protected:
  void Execute() override;

 private:
  void WaitForMessages();
  void FetchAndDeliver();
  void ReleaseIfIdle(const LINEMESSAGE &message);

  std::atomic<bool> handOffRunning_{false};
};
