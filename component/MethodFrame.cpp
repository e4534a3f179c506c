#include "component/MethodFrame.h"

#include "sound/Kwtapisoundthread.h"
#include "thread/Kwtapithread.h"

TMethodFrame::TMethodFrame(TkwTAPI &component)
    : pComponent(&component), pOuter(component.pMethodFrames) {
  component.pMethodFrames = this;
}

TMethodFrame::~TMethodFrame() {
  if (!bComponentDestroyed) pComponent->pMethodFrames = pOuter;
}

bool TkwTAPI::Closing() const {
  for (const TMethodFrame *pFrame = pMethodFrames; pFrame != nullptr; pFrame = pFrame->pOuter) {
    if (pFrame->bClosing) return true;
  }
  return false;
}

bool TkwTAPI::RecordingInProgress() const {
  if (!pSoundThread) return false;
  for (const TMethodFrame *pFrame = pMethodFrames; pFrame != nullptr; pFrame = pFrame->pOuter) {
    if (pFrame->pAwaitedSound == pSoundThread.get()) return true;
  }
  return pSoundThread->Busy;
}

void TkwTAPI::EndMethodFrames() {
  for (TMethodFrame *pFrame = pMethodFrames; pFrame != nullptr; pFrame = pFrame->pOuter) {
    pFrame->bComponentDestroyed = true;
    if (pFrame->pAwaitedSound != nullptr) pFrame->pAwaitedSound->StopPlaying();
  }
}

// A thread that a method below us waits for goes to that method, which deletes it after its
// wait; one inside its hand-off ends on its own once the hand-off returns; any other is
// deleted now, which waits for its end while hand-offs are served, with nothing to dispatch.
void TkwTAPI::LetGoMessageThread(TOwningHolder<kwTAPIThread> &holder) {
  if (!holder) return;
  holder->StopDispatching();
  for (TMethodFrame *pFrame = pMethodFrames; pFrame != nullptr; pFrame = pFrame->pOuter) {
    if (pFrame->pAwaitedThread == holder.get()) {
      pFrame->adoptedThread.reset(holder.release());
      return;
    }
  }
  if (holder->InHandOff()) {
    holder->Abandon();
    holder.release();
    return;
  }
  holder.reset();
}
