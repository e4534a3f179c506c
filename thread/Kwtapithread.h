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

  // Main thread: messages handed off from now on reach no target. The component calls it
  // before it goes, so that a hand-off served while it is destroyed finds nothing to call.
  void StopDispatching() { dispatching_ = false; }
  // Main thread, from inside this thread's hand-off: the thread stops dispatching, ends once
  // the hand-off has returned and then deletes itself. Nobody may hold it afterwards.
  void Abandon();

 protected:
  void Execute() override;

 private:
  void WaitForMessages();
  void FetchAndDeliver();
  void ReleaseIfIdle(const LINEMESSAGE &message);

  std::atomic<bool> handOffRunning_{false};
  // Main thread only, as the hand-off runs there.
  bool dispatching_ = true;
};
