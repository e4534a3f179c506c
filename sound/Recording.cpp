// Recording the line's wave input device: the worker starts the device and watches the
// state; the buffers come back as window messages, handled on the thread that created the
// sound thread while it pumps its messages.
#include "sound/Kwtapisoundthread.h"

#include <cstdlib>

#include "component/LineErrorNames.h"
#include "platform/winmm/HandleNumber.h"

namespace {

constexpr DWORD kRecordBufferSize = 16000;  // one second of RecordFormat

enum TRecordState : int {
  StateFinished = 1,
  StateRecording = 4,
  StateStopping = 5,
  StateWriting = 6
};

bool IsRunning(int iState) {
  return iState == StateRecording || iState == StateStopping || iState == StateWriting;
}

void Box(const AnsiString &asText, const char *szCaption = "") {
  MessageBoxA(0, asText.c_str(), szCaption, MB_OK);
}

AnsiString OpenErrorDetail(MMRESULT result) {
  switch (result) {
    case MMSYSERR_BADDEVICEID:
      return " msg : Specified device identifier is out of range.";
    case MMSYSERR_ALLOCATED:
      return " msg : Specified resource is already allocated.";
    case MMSYSERR_NODRIVER:
      return " msg : No device driver is present.";
    case MMSYSERR_NOMEM:
      return " msg : Unable to allocate or lock memory.";
    case WAVERR_BADFORMAT:
      return " msg : WAVERR_BADFORMAT";
    default:
      return "";
  }
}

AnsiString UnprepareErrorDetail(MMRESULT result) {
  switch (result) {
    case MMSYSERR_INVALHANDLE:
      return "Specified device handle is invalid.";
    case MMSYSERR_NODRIVER:
      return "No device driver is present.";
    case MMSYSERR_NOMEM:
      return "Unable to allocate or lock memory.";
    case WAVERR_STILLPLAYING:
      return "The buffer pointed to by the pwh parameter is still in the queue.";
    default:
      return "";
  }
}

}  // namespace

// 16-bit mono at 8 kHz takes 16000 bytes a second in blocks of 2 bytes, as the published
// PCM rules give them; readers that check the derived fields accept nothing else.
const WAVEFORMATEX kwTAPISoundThread::RecordFormat = {WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};

void kwTAPISoundThread::Record() {
  if (MaxBuffers < 1 || MaxBuffers > kMaxRecordBuffers)
    throw Exception("Invalid number of buffers: " + IntToStr(MaxBuffers) + " (1 to 600).");
  ResetSilenceLevel();
  BytesRecorded = 0;
  lastSoundBuffer_ = -1;
  const LONG lDeviceID = GetWaveDeviceID("wave/in");
  if (lDeviceID < 0)
    throw Exception("Invalid deviceID: " + IntToStr(lDeviceID) +
                    " msg: " + TapiErrorString(lDeviceID));
  WaveInDeviceID = static_cast<DWORD>(lDeviceID);
  lineGenerateTone(CallHandle, LINETONEMODE_BEEP, 0, 0, nullptr);
  try {
    if (OpenWaveIn(WaveInDeviceID) == 0) return;
  } catch (...) {
    // Whatever stopped the start (a notice handler that throws, say), the device and its
    // buffers are given back before the thread reports it.
    if (const HWAVEIN hDevice = WaveIn) AbandonWaveIn(hDevice);
    throw;
  }
  // Woken when the recording finishes or the owner goes, rather than polling: a worker
  // that wakes for nothing costs more than the whole recording.
  while (IsRunning(RecordState) && !Terminated) WaitForSingleObject(recordingEnded_, INFINITE);
  Succeeded = RecordState == StateFinished && !messageLost_;
}

HWAVEIN kwTAPISoundThread::OpenWaveIn(DWORD dwDeviceID) {
  ResetSilenceLevel();
  const auto dwWindow = winmm::HandleParameter(WindowHandle);
  if (waveInOpen(nullptr, dwDeviceID, &RecordFormat, dwWindow, 0, WAVE_FORMAT_QUERY) != 0) {
    Box("Unsupported format.");
    return 0;
  }
  HWAVEIN hDevice = 0;
  if (const MMRESULT r =
          waveInOpen(&hDevice, dwDeviceID, &RecordFormat, dwWindow, 0, CALLBACK_WINDOW)) {
    Box("Error calling waveInOpen for deviceID: " + IntToStr(dwDeviceID) + OpenErrorDetail(r),
        "ERROR");
    return 0;
  }
  // Known before the first buffer can come back, so that its handler can close the device.
  WaveIn = hDevice;
  for (int i = 0; i < MaxBuffers; ++i) {
    Headers[i] =
        static_cast<WAVEHDR *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(WAVEHDR)));
    if (Headers[i] != nullptr) {
      MemoryHandles[i] = GlobalAlloc(GMEM_MOVEABLE, kRecordBufferSize);
      Headers[i]->lpData = static_cast<LPSTR>(GlobalLock(MemoryHandles[i]));
    }
    // A header the heap refused is as much out of memory as its buffer, and told the same.
    if (Headers[i] == nullptr || Headers[i]->lpData == nullptr) {
      Box("Not enough memory.");
      return AbandonWaveIn(hDevice);
    }
    Headers[i]->dwBufferLength = kRecordBufferSize;
    Headers[i]->dwUser = reinterpret_cast<DWORD_PTR>(MemoryHandles[i]);
    if (waveInPrepareHeader(hDevice, Headers[i], sizeof(WAVEHDR)) != 0) {
      Box("Error preparing message header.");
      return AbandonWaveIn(hDevice);
    }
    if (waveInAddBuffer(hDevice, Headers[i], sizeof(WAVEHDR)) != 0) {
      Box("Error adding buffer.");
      return AbandonWaveIn(hDevice);
    }
  }
  // Set before the device starts: its first buffer may be handled before waveInStart returns.
  RecordState = StateRecording;
  if (waveInStart(hDevice) != 0) {
    Box("Error calling waveInStart.");
    return AbandonWaveIn(hDevice);
  }
  // A stop asked for while the device was being started is carried out now, on the device
  // as long as the main thread has not closed it already.
  std::lock_guard<std::mutex> hold(deviceGuard_);
  deviceStarted_ = true;
  if (RecordState == StateStopping && WaveIn == hDevice && waveInReset(hDevice) == 0)
    NoteLastSoundAfterStop();
  return hDevice;
}

// A device that could not be started gives back what it holds and is closed; the buffers
// it returns find the recording finished. Returns null, OpenWaveIn's answer for a failure.
HWAVEIN kwTAPISoundThread::AbandonWaveIn(HWAVEIN hDevice) {
  FinishRecording();
  waveInReset(hDevice);
  for (WAVEHDR *pHeader : Headers) {
    if (pHeader != nullptr) waveInUnprepareHeader(hDevice, pHeader, sizeof(WAVEHDR));
  }
  if (waveInClose(hDevice) == 0) WaveIn = 0;
  ReleaseRecordBuffers();
  return 0;
}

void kwTAPISoundThread::SoundWndProc(TMessage &Message) {
  if (Message.Msg != MM_WIM_DATA) return;
  HandleBuffer(winmm::HandleFromParameter<HWAVEIN>(Message.WParam),
               reinterpret_cast<WAVEHDR *>(Message.LParam));
}

void kwTAPISoundThread::HandleBuffer(HWAVEIN hDevice, WAVEHDR *pHeader) {
  // Buffers after the last one, such as those a reset returns unfilled, are not looked at.
  if (RecordState == StateFinished) return;
  if (!(pHeader->dwFlags & WHDR_DONE)) return;
  const bool bLast = IsLastBuffer(pHeader);
  if (bLast) {
    if (WaveIn != 0) FinishDevice(hDevice);
  } else if (WaveIn != 0) {
    if (const MMRESULT r = waveInUnprepareHeader(hDevice, pHeader, sizeof(WAVEHDR))) {
      Box("Error calling waveInUnprepareHeader msg: " + UnprepareErrorDetail(r));
      return;
    }
  }
  const int iState = RecordState.exchange(StateWriting);
  AppendWaveData(SoundFile.c_str(), pHeader, bLast);
  // A stop asked for while the buffer was written is kept.
  int iWriting = StateWriting;
  RecordState.compare_exchange_strong(iWriting, iState);
  if (!bLast) return;
  ReleaseRecordBuffers();
  FinishRecording();
}

void kwTAPISoundThread::FinishRecording() {
  RecordState = StateFinished;
  SetEvent(recordingEnded_);
}

// Counts the buffer and decides whether it ends the recording: the length limit, silence,
// or a stop asked for earlier.
bool kwTAPISoundThread::IsLastBuffer(const WAVEHDR *pHeader) {
  BuffersRecorded = ++BufferCounter;
  if (BufferCounter == MaxBuffers) {
    BufferCounter = 0;
    RecordState = StateStopping;
  } else {
    for (DWORD i = 0; i < pHeader->dwBytesRecorded; ++i) {
      if (CheckSilence(static_cast<signed char>(pHeader->lpData[i]))) {
        BufferCounter = 0;
        RecordState = StateStopping;
      }
    }
  }
  // A stop hands back every buffer at once, and buffers the device returned before it may
  // still wait to be handled here: the recording ends with the last that holds sound.
  if (RecordState == StateStopping && BufferIndex(pHeader) < lastSoundBuffer_) return false;
  return RecordState == StateStopping;
}

int kwTAPISoundThread::BufferIndex(const WAVEHDR *pHeader) const {
  for (int i = 0; i < kMaxRecordBuffers; ++i) {
    if (Headers[i] == pHeader) return i;
  }
  return -1;
}

// Run by the thread that reset the device, once the reset has handed every buffer back.
void kwTAPISoundThread::NoteLastSoundAfterStop() {
  int iLast = -1;
  for (int i = 0; i < MaxBuffers; ++i) {
    if (Headers[i] != nullptr && Headers[i]->dwBytesRecorded > 0) iLast = i;
  }
  lastSoundBuffer_ = iLast;
}

// The device is reset and closed after the last buffer. When it refuses, the recording
// still ends; its buffers stay allocated until the device lets them go.
bool kwTAPISoundThread::FinishDevice(HWAVEIN hDevice) {
  const char *szFailure = nullptr;
  {
    std::lock_guard<std::mutex> hold(deviceGuard_);
    if (waveInReset(hDevice) != 0) {
      szFailure = "Error calling waveInReset.";
    } else if (waveInClose(hDevice) != 0) {
      szFailure = "Error calling waveInClose.";
    } else {
      WaveIn = 0;
    }
  }
  // A box runs a message loop, which may hand this thread the next buffer.
  if (szFailure == nullptr) return true;
  Box(szFailure);
  return false;
}

void kwTAPISoundThread::ReleaseRecordBuffers() {
  if (WaveIn != 0) return;
  for (int i = 0; i < kMaxRecordBuffers; ++i) {
    if (MemoryHandles[i] != 0) GlobalFree(MemoryHandles[i]);
    MemoryHandles[i] = 0;
    if (Headers[i] != nullptr) HeapFree(GetProcessHeap(), 0, Headers[i]);
    Headers[i] = nullptr;
  }
}

void kwTAPISoundThread::StopWaveIn() {
  int iState = RecordState;
  if (iState != StateRecording && iState != StateWriting) return;
  if (!RecordState.compare_exchange_strong(iState, StateStopping)) return;
  // While the last buffer is written the device is already closed.
  // Before the device has started, the worker resets it once it has.
  std::unique_lock<std::mutex> hold(deviceGuard_);
  const HWAVEIN hDevice = WaveIn;
  if (hDevice == 0 || !deviceStarted_) return;
  if (waveInReset(hDevice) == 0) {
    NoteLastSoundAfterStop();
    return;
  }
  hold.unlock();
  Box("Error calling waveInStop.");
}

// The owner goes away while a recording runs: it is stopped, the buffer in progress is
// written as the last one, and whatever the device still holds is released.
void kwTAPISoundThread::EndRecordingNow() {
  if (Mode != 1) return;
  StopWaveIn();
  // The reset hands the buffers back at once; only this window's messages are served.
  MSG msg;
  while (RecordState != StateFinished && PeekMessageA(&msg, WindowHandle, 0, 0, PM_REMOVE))
    DispatchMessageA(&msg);
  FinishRecording();
  if (const HWAVEIN hDevice = WaveIn) {
    waveInReset(hDevice);
    if (waveInClose(hDevice) == 0) WaveIn = 0;
  }
  ReleaseRecordBuffers();
  if (FileHandle != 0 && FileHandle != INVALID_HANDLE_VALUE) CloseHandle(FileHandle);
  FileHandle = 0;
}

// Runs for every recorded byte: the level needs no ordering with anything else, only
// freedom from torn reads between the worker that resets it and the window that updates it.
void kwTAPISoundThread::ResetSilenceLevel() {
  silenceLevel_.store(kSilenceLevelStart, std::memory_order_relaxed);
}

bool kwTAPISoundThread::CheckSilence(int iSample) {
  const double level = std::abs(iSample) + silenceLevel_.load(std::memory_order_relaxed) * 0.95;
  silenceLevel_.store(level, std::memory_order_relaxed);
  return level < 100.0;
}
