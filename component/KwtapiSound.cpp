// The line-audio entry points: playing a WAV file into the call, recording the call into a
// WAV file and stopping a recording. Both operations block, pumping the calling thread's
// messages, until their sound thread has ended.
#include <memory>

#include "component/Kwtapi.h"
#include "sound/Kwtapisoundthread.h"

namespace {

constexpr DWORD kPollInterval = 250;

bool Refuse(AnsiString *pasStatus, const AnsiString &asReason) {
  if (pasStatus != nullptr) *pasStatus = asReason;
  return false;
}

}  // namespace

struct TkwTAPI::TSoundWait {
  kwTAPISoundThread *pThread;
  TSoundWait *pOuter;
  bool bComponentDestroyed;
};

// False when the component was destroyed while waiting (by a handler run from the pump):
// the caller must then not touch it again.
bool TkwTAPI::WaitForSound(kwTAPISoundThread *pThread) {
  TSoundWait wait{pThread, pSoundWait, false};
  pSoundWait = &wait;
  while (pThread->Busy) {
    Sleep(kPollInterval);
    ProcessMessages();
    if (wait.bComponentDestroyed) return false;
  }
  pSoundWait = wait.pOuter;
  return true;
}

void TkwTAPI::EndSoundOperations() {
  for (TSoundWait *pWait = pSoundWait; pWait != nullptr; pWait = pWait->pOuter) {
    pWait->bComponentDestroyed = true;
    pWait->pThread->StopPlaying();
  }
  pSoundWait = nullptr;
}

bool TkwTAPI::PlayASound(AnsiString asFileName, AnsiString *pasStatus) {
  std::unique_ptr<kwTAPISoundThread> pThread(new kwTAPISoundThread(true));
  pThread->SetupSound(asFileName, hLine2 != 0 ? hLine2 : hLine);
  pThread->Resume();
  WaitForSound(pThread.get());
  // Only the thread is read from here on: the component may be gone.
  pThread->WaitFor();
  const bool bSucceeded = pThread->Succeeded;
  if (pasStatus != nullptr) *pasStatus = pThread->StatusText;
  return bSucceeded;
}

bool TkwTAPI::RecordASound(AnsiString asFileName, DWORD &hCall, int iSeconds, AnsiString *pasStatus,
                           int *piBuffersRecorded) {
  // Replacing a running recording's thread would wait for a worker that cannot end.
  if (pSoundThread && pSoundThread->Busy)
    return Refuse(pasStatus, "Error: A recording is already running on this line.");
  if (iSeconds < 1 || iSeconds > kwTAPISoundThread::kMaxRecordBuffers)
    return Refuse(pasStatus, "Error: Invalid recording length: " + IntToStr(iSeconds) +
                                 " seconds (1 to 600).");
  pSoundThread.reset(new kwTAPISoundThread(true));
  kwTAPISoundThread *pThread = pSoundThread.get();
  pThread->SetupSound(asFileName, hLine2 != 0 ? hLine2 : hLine, hCall, 1, iSeconds);
  pThread->Resume();
  if (!WaitForSound(pThread)) return Refuse(pasStatus, "Error: The recording was ended early.");
  const bool bSucceeded = pThread->Succeeded;
  if (pasStatus != nullptr) *pasStatus = pThread->StatusText;
  if (piBuffersRecorded != nullptr) *piBuffersRecorded = pThread->BuffersRecorded;
  return bSucceeded;
}

void TkwTAPI::StopRecording() {
  if (pSoundThread && pSoundThread->Busy) pSoundThread->StopWaveIn();
}
