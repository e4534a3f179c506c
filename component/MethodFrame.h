// A component method that runs host code (event handlers, the message pump) keeps a frame on
// its stack while it does. Host code may destroy the component: the destructor marks every
// frame, ends the sound operation a frame waits for and hands it the message thread it waits
// for, and the method then touches nothing of the component. Frames nest as the calls do.
#pragma once

#include "component/Kwtapi.h"
#include "component/OwningHolder.h"

class TMethodFrame {
 public:
  explicit TMethodFrame(TkwTAPI &component);
  ~TMethodFrame();
  TMethodFrame(const TMethodFrame &) = delete;
  TMethodFrame &operator=(const TMethodFrame &) = delete;

  bool ComponentDestroyed() const { return bComponentDestroyed; }

  // What the method waits for while it runs host code, if anything.
  kwTAPISoundThread *pAwaitedSound = nullptr;
  kwTAPIThread *pAwaitedThread = nullptr;
  // CloseDevice is running: an open now would be undone by the close around it.
  bool bClosing = false;

 private:
  friend class TkwTAPI;

  TkwTAPI *const pComponent;
  TMethodFrame *const pOuter;
  bool bComponentDestroyed = false;
  // The awaited message thread, once the component has gone: deleted after the wait.
  TOwningHolder<kwTAPIThread> adoptedThread;
};
