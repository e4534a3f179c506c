// The sound thread as a whole: construction, set-up, the thread body and the lookup of the
// line's wave devices.
#include "sound/Kwtapisoundthread.h"

#include "component/LineErrorNames.h"
#include "component/VarStringValue.h"

namespace {

constexpr DWORD kDeviceIdBlockSize = 1024;

}  // namespace

kwTAPISoundThread::kwTAPISoundThread(bool CreateSuspended)
    : TThread(CreateSuspended),
      Mode(-1),
      RecordState(0),
      MaxBuffers(0),
      BufferCounter(0),
      BuffersRecorded(0),
      CallHandle(0),
      WaveIn(0),
      Headers{},
      MemoryHandles{},
      BytesRecorded(0),
      WaveInDeviceID(0),
      ErrorText{},
      StatusText(),
      Busy(true),
      Succeeded(false),
      SoundFile(),
      LineHandle(0),
      WindowHandle(0),
      FileHandle(0),
      recordingEnded_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      blockDone_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
  WindowHandle = AllocateHWnd(this, &kwTAPISoundThread::SoundWndProc);
  if (!CreateSuspended) {
    DeallocateHWnd(WindowHandle);
    CloseHandle(recordingEnded_);
    if (blockDone_ != 0) CloseHandle(blockDone_);
    throw Exception(
        "YOU MUST create this thread suspended and Call one of the SetupSound() methods!");
  }
}

kwTAPISoundThread::~kwTAPISoundThread() {
  // The members go before the base waits, so the thread must have ended here.
  StopPlaying();
  Terminate();
  SetEvent(recordingEnded_);
  WaitFor();
  EndRecordingNow();
  DeallocateHWnd(WindowHandle);
  CloseHandle(recordingEnded_);
  if (blockDone_ != 0) CloseHandle(blockDone_);
}

void kwTAPISoundThread::SetupSound(AnsiString asFileName, HLINE hLine) {
  SoundFile = asFileName;
  LineHandle = hLine;
  Mode = 0;
}

void kwTAPISoundThread::SetupSound(AnsiString asFileName, HLINE hLine, HCALL hCall, int iMode,
                                   int iMaxBuffers) {
  SoundFile = asFileName;
  LineHandle = hLine;
  CallHandle = hCall;
  Mode = iMode;
  MaxBuffers = iMaxBuffers;
}

void kwTAPISoundThread::Execute() {
  // The caller waits for Busy to fall, also when the box itself fails (a host's notice
  // handler may throw).
  struct TBusyUntilEnd {
    std::atomic<bool> &busy;
    ~TBusyUntilEnd() { busy = false; }
  } busyUntilEnd{Busy};
  try {
    RunOperation();
  } catch (Exception &e) {
    // An operation its owner gave up (the component went) ends quietly: its line may be
    // closed under it.
    if (!Abandoned())
      ShowMessage("Internal error in [kwTAPISoundThread::Execute] msg: " + e.Message);
  } catch (...) {
    if (!Abandoned()) ShowMessage("UNKNOWN Internal error in [kwTAPISoundThread::Execute]");
  }
}

bool kwTAPISoundThread::Abandoned() const {
  return playStopRequested_ || Terminated;
}

void kwTAPISoundThread::RunOperation() {
  if (Mode == 0) {
    const LONG lDeviceID = GetWaveDeviceID("wave/out");
    if (lDeviceID < 0)
      throw Exception("Invalid deviceID: " + IntToStr(lDeviceID) +
                      " msg: " + TapiErrorString(lDeviceID));
    PlayWaveFile();
  } else if (Mode == 1) {
    Record();
  }
}

LONG kwTAPISoundThread::GetWaveDeviceID(const char *szDeviceClass) {
  DWORD dwSize = kDeviceIdBlockSize;
  for (;;) {
    auto *pVarString = static_cast<VARSTRING *>(LocalAlloc(LPTR, dwSize));
    if (pVarString == nullptr) throw EAbort("Error: Memory issues.");
    pVarString->dwTotalSize = dwSize;
    const LONG lResult =
        lineGetID(LineHandle, 0, 0, LINECALLSELECT_LINE, pVarString, szDeviceClass);
    const DWORD dwNeeded = pVarString->dwNeededSize;
    const std::optional<DWORD> dwDeviceID = LeadingDword(*pVarString);
    LocalFree(pVarString);
    if (lResult == 0 && dwDeviceID) return static_cast<LONG>(*dwDeviceID);
    if (dwNeeded <= dwSize) {
      if (lResult != 0) return lResult;
      throw Exception(AnsiString("lineGetID gave no usable ") + szDeviceClass + " device id.");
    }
    dwSize = dwNeeded;
  }
}
