// The line-audio entry points: playing a WAV file into the call, recording the call into a
// WAV file and stopping a recording. Both operations block, pumping the calling thread's
// messages, until their sound thread has ended.
#include <memory>

#include "component/Kwtapi.h"
#include "component/MethodFrame.h"
#include "sound/Kwtapisoundthread.h"

namespace {

constexpr DWORD kPollInterval = 250;

bool Refuse(AnsiString *pasStatus, const AnsiString &asReason) {
  if (pasStatus != nullptr) *pasStatus = asReason;
  return false;
}

}  // namespace

// False when host code run by the pump destroyed the component: the caller must then not
// touch it again.
bool TkwTAPI::WaitForSound(TMethodFrame &frame, kwTAPISoundThread *pThread) {
  frame.pAwaitedSound = pThread;
  const HANDLE hEnded = pThread->Handle();
  while (pThread->Busy) {
    // Served at the latest every poll interval, and at once when a message or the end comes.
    MsgWaitForMultipleObjects(1, &hEnded, FALSE, kPollInterval, QS_ALLINPUT);
    // ProcessMessages, one message at a time: a handler may have destroyed the component.
    MSG msg;
    while (ProcessMessage(msg)) {
      if (frame.ComponentDestroyed()) return false;
    }
  }
  frame.pAwaitedSound = nullptr;
  return true;
}

bool TkwTAPI::PlayASound(AnsiString asFileName, AnsiString *pasStatus) {
  std::unique_ptr<kwTAPISoundThread> pThread(new kwTAPISoundThread(true));
  pThread->SetupSound(asFileName, hLine2 != 0 ? hLine2 : hLine);
  pThread->Resume();
  {
    TMethodFrame frame(*this);
    WaitForSound(frame, pThread.get());
  }
  // Only the thread is read from here on: the component may be gone.
  pThread->WaitFor();
  const bool bSucceeded = pThread->Succeeded;
  if (pasStatus != nullptr) *pasStatus = pThread->StatusText;
  return bSucceeded;
}

bool TkwTAPI::RecordASound(AnsiString asFileName, DWORD &hCall, int iSeconds, AnsiString *pasStatus,
                           int *piBuffersRecorded) {
  // Replacing a running recording's thread would wait for a worker that cannot end, or
  // delete the thread an outer RecordASound still waits on.
  if (RecordingInProgress())
    return Refuse(pasStatus, "Error: A recording is already running on this line.");
  if (iSeconds < 1 || iSeconds > kwTAPISoundThread::kMaxRecordBuffers)
    return Refuse(pasStatus, "Error: Invalid recording length: " + IntToStr(iSeconds) +
                                 " seconds (1 to 600).");
  pSoundThread.reset(new kwTAPISoundThread(true));
  kwTAPISoundThread *pThread = pSoundThread.get();
  pThread->SetupSound(asFileName, hLine2 != 0 ? hLine2 : hLine, hCall, 1, iSeconds);
  pThread->Resume();
  TMethodFrame frame(*this);
  try {
    if (!WaitForSound(frame, pThread))
      return Refuse(pasStatus, "Error: The recording was ended early.");
  } catch (...) {
    // Nobody waits for the recording any more: it ends now, keeping what it has recorded,
    // and the line is free for the next one.
    if (!frame.ComponentDestroyed()) pSoundThread.reset();
    throw;
  }
  const bool bSucceeded = pThread->Succeeded;
  if (pasStatus != nullptr) *pasStatus = pThread->StatusText;
  if (piBuffersRecorded != nullptr) *piBuffersRecorded = pThread->BuffersRecorded;
  return bSucceeded;
}

void TkwTAPI::StopPlaying() {
  for (TMethodFrame *pFrame = pMethodFrames; pFrame != nullptr; pFrame = pFrame->pOuter) {
    if (pFrame->pAwaitedSound != nullptr) pFrame->pAwaitedSound->StopPlaying();
  }
}

void TkwTAPI::StopRecording() {
  if (pSoundThread && pSoundThread->Busy) pSoundThread->StopWaveIn();
}
