// The unit Kwtapisoundthread: the worker thread that carries out one audio operation on the
// open line, playing a WAV file into its wave output device or recording its wave input
// device into a WAV file.
//
// Calling order: construct suspended, call one SetupSound, Resume, wait until Busy is false
// (pumping the creating thread's messages while recording), read Succeeded and StatusText,
// delete. The object is never reused.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <tapi.h>
#include <vcl.h>

#include <atomic>
#include <mutex>

#include "platform/vcl/Thread.h"

class kwTAPISoundThread : public TThread {
 public:
  static constexpr int kMaxRecordBuffers = 600;
  static constexpr double kSilenceLevelStart = 100000.0;
  // PCM, mono, 8000 samples a second, 16 bits: given to the device and written to the file.
  static const WAVEFORMATEX RecordFormat;

  std::atomic<int> Mode;
  // 4 recording, 5 stopping, 6 writing a buffer, 1 finished; 0 before the device starts.
  std::atomic<int> RecordState;
  int MaxBuffers;
  int BufferCounter;
  int BuffersRecorded;
  HCALL CallHandle;
  std::atomic<HWAVEIN> WaveIn;
  WAVEHDR *Headers[kMaxRecordBuffers];
  HGLOBAL MemoryHandles[kMaxRecordBuffers];
  DWORD BytesRecorded;
  DWORD WaveInDeviceID;
  char ErrorText[4096];
  AnsiString StatusText;
  std::atomic<bool> Busy;
  std::atomic<bool> Succeeded;
  AnsiString SoundFile;
  HLINE LineHandle;
  HWND WindowHandle;
  HANDLE FileHandle;

  explicit kwTAPISoundThread(bool CreateSuspended);
  // Ends an operation still running (a recording is stopped and its file completed, a
  // playback abandoned), then releases the hidden window.
  ~kwTAPISoundThread() override;

  void SetupSound(AnsiString asFileName, HLINE hLine);
  void SetupSound(AnsiString asFileName, HLINE hLine, HCALL hCall, int iMode, int iMaxBuffers);

  LONG GetWaveDeviceID(const char *szDeviceClass);
  void PlayWaveFile();
  void ReleaseWaveOutBuffer(WAVEHDR *pHeader, HWAVEOUT hWaveOut, void *pData, bool bClose);

  HWAVEIN OpenWaveIn(DWORD dwDeviceID);
  void SoundWndProc(TMessage &Message);
  int AppendWaveData(const char *szFileName, WAVEHDR *pHeader, bool bLast);
  void StopWaveIn();
  void ResetSilenceLevel();
  bool CheckSilence(int iSample);

  // Asks a running playback to give up: the device is reset and released, and the
  // playback ends without success. Any thread.
  void StopPlaying() {
    playStopRequested_ = true;
    if (blockDone_ != 0) SetEvent(blockDone_);
  }

 protected:
  void Execute() override;

 private:
  void RunOperation();
  bool Abandoned() const;
  void Record();
  // Playback's failure: the message goes to StatusText and the playback is abandoned.
  [[noreturn]] void PlayFailure(const AnsiString &asMessage);
  [[noreturn]] void PlayFailure(const AnsiString &asMessage, MMRESULT result);
  AnsiString WaveOutErrorText(MMRESULT result);
  struct TPlayback;
  void ReleasePlayback(TPlayback &play);
  void ResetWaveOut(HWAVEOUT hWaveOut);
  void CloseWaveOut(HWAVEOUT hWaveOut);
  void WaitForBlocks(WAVEHDR **ppHeaders, DWORD dwBlocks);

  void HandleBuffer(HWAVEIN hDevice, WAVEHDR *pHeader);
  bool IsLastBuffer(const WAVEHDR *pHeader);
  int BufferIndex(const WAVEHDR *pHeader) const;
  void NoteLastSoundAfterStop();
  bool FinishDevice(HWAVEIN hDevice);
  void ReleaseRecordBuffers();
  void FinishRecording();
  HWAVEIN AbandonWaveIn(HWAVEIN hDevice);
  void EndRecordingNow();
  bool WriteSamples(const WAVEHDR *pHeader);
  bool WriteFileHeader(DWORD dwDataBytes);
  void MessageWriteFailed();
  void MessageNotSaved(const char *szReason);

  std::atomic<bool> playStopRequested_{false};
  std::atomic<bool> deviceStarted_{false};
  // After a stop: the index of the last buffer the device handed back with sound, -1 before.
  std::atomic<int> lastSoundBuffer_{-1};
  // Each recording judges silence by its own sound: lines recording side by side in one
  // process must not end each other's messages.
  std::atomic<double> silenceLevel_{kSilenceLevelStart};
  // Set when the recording has finished or the thread must end.
  const HANDLE recordingEnded_;
  // Set by the wave out device as it finishes a block, and by a stop request: a playback sleeps
  // on it instead of looking at its blocks again and again.
  const HANDLE blockDone_;
  bool messageLost_ = false;
  bool writeFailed_ = false;
  // The worker's reset of a device stopped while it started, and the main thread's reset and
  // close of the device, must not cross: the worker could reset a device already closed.
  std::mutex deviceGuard_;
};
