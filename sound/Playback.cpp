// Playing a WAV file into the line's wave output device: the whole data chunk is read,
// cut into blocks of about 4 KB, all queued, and their completion awaited.
#include "sound/Kwtapisoundthread.h"

#include "component/LineErrorNames.h"
#include "component/VarStringValue.h"
#include "platform/winmm/HandleNumber.h"

namespace {

constexpr DWORD kBlockSize = 4096;
constexpr DWORD kDeviceIdBlockSize = 1024;
// A format chunk is a WAVEFORMATEX and its extra bytes, counted by a 16-bit cbSize.
constexpr DWORD kLargestFormatChunk = 65535;
constexpr DWORD kReleasePause = 500;
// How long a playback waits for its current block before it looks again: with the device's
// event, only a safety net; without it (it could not be made), the pace of the looks.
constexpr DWORD kBlockDoneSafetyNet = 1000;
constexpr DWORD kBlockPoll = 50;

DWORD BlockSize(WORD wBlockAlign) {
  DWORD dwSize = kBlockSize + wBlockAlign - 1;
  return dwSize - dwSize % wBlockAlign;
}

// Every data chunk is whole blocks of S bytes except a shorter last one.
DWORD BlockCount(DWORD dwDataSize, DWORD dwBlockSize) {
  return dwDataSize / dwBlockSize + (dwDataSize % dwBlockSize != 0 ? 1 : 0);
}

}  // namespace

// What one playback holds, released on every way out.
struct kwTAPISoundThread::TPlayback {
  VARSTRING *pVarString = nullptr;
  HMMIO hFile = 0;
  WAVEFORMATEX *pFormat = nullptr;
  char *pData = nullptr;
  HWAVEOUT hWaveOut = 0;
  WAVEHDR **ppHeaders = nullptr;
  DWORD dwBlocks = 0;
};

AnsiString kwTAPISoundThread::WaveOutErrorText(MMRESULT result) {
  waveOutGetErrorText(result, ErrorText, sizeof ErrorText);
  return ErrorText;
}

void kwTAPISoundThread::PlayFailure(const AnsiString &asMessage) {
  StatusText += asMessage;
  throw EAbort(asMessage);
}

void kwTAPISoundThread::PlayFailure(const AnsiString &asMessage, MMRESULT result) {
  PlayFailure(asMessage + WaveOutErrorText(result));
}

void kwTAPISoundThread::PlayWaveFile() {
  TPlayback play;
  try {
    play.pVarString = static_cast<VARSTRING *>(LocalAlloc(LPTR, kDeviceIdBlockSize));
    if (play.pVarString == nullptr) PlayFailure("Error: Memory issues.");
    play.pVarString->dwTotalSize = kDeviceIdBlockSize;
    if (SoundFile.IsEmpty()) PlayFailure("Error: Invalid SoundFile property value (empty).");
    if (!FileExists(SoundFile)) PlayFailure("Error: SoundFile NOT found.");

    const LONG lResult =
        lineGetID(LineHandle, 0, 0, LINECALLSELECT_LINE, play.pVarString, "wave/out");
    if (lResult != 0) PlayFailure("Error: lineGetID failed: " + TapiErrorString(lResult));
    const std::optional<DWORD> dwDeviceID = LeadingDword(*play.pVarString);
    if (!dwDeviceID) PlayFailure("Error: lineGetID gave no usable wave/out device id.");
    const UINT uDeviceID = *dwDeviceID;
    const DWORD dwMapped = uDeviceID == WAVE_MAPPER ? 0 : WAVE_MAPPED;

    play.hFile = mmioOpen(const_cast<char *>(SoundFile.c_str()), nullptr, MMIO_ALLOCBUF);
    if (play.hFile == 0) PlayFailure("Error: mmioOpen failed to open file.");
    MMCKINFO riff{}, chunk{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (const MMRESULT r = mmioDescend(play.hFile, &riff, nullptr, MMIO_FINDRIFF))
      PlayFailure("Error: mmioDescend RIFF WAVE returned : ", r);
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(play.hFile, &chunk, &riff, MMIO_FINDCHUNK))
      PlayFailure("Error: Wave file corrupt.");
    if (chunk.cksize > kLargestFormatChunk)
      PlayFailure("Error: Wave format chunk of " + IntToStr(chunk.cksize) +
                  " bytes is larger than 65535 bytes.");
    // Never smaller than the record the device reads, whatever the chunk holds.
    play.pFormat = static_cast<WAVEFORMATEX *>(
        LocalAlloc(LPTR, std::max<DWORD>(chunk.cksize, sizeof(WAVEFORMATEX))));
    if (play.pFormat == nullptr) PlayFailure("Error: Memory Error.");
    if (mmioRead(play.hFile, reinterpret_cast<HPSTR>(play.pFormat), chunk.cksize) !=
        static_cast<LONG>(chunk.cksize))
      PlayFailure("Error: mmioRead: failed to read FMT chunk.");
    if (const MMRESULT r =
            waveOutOpen(nullptr, uDeviceID, play.pFormat, 0, 0, WAVE_FORMAT_QUERY | dwMapped))
      PlayFailure("Error: waveOutOpen while QUERY returned: ", r);
    mmioAscend(play.hFile, &chunk, 0);
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(play.hFile, &chunk, &riff, MMIO_FINDCHUNK))
      PlayFailure("Error: mmioDescend: No DATA chunk.");
    const DWORD dwDataSize = chunk.cksize;
    if (dwDataSize == 0) PlayFailure("Error: Data chunk actually has no data.");
    const WORD wBlockAlign = play.pFormat->nBlockAlign;
    if (wBlockAlign == 0) PlayFailure("Error: Wave format has a block alignment of 0.");
    const DWORD dwCallback = blockDone_ != 0 ? CALLBACK_EVENT : CALLBACK_NULL;
    if (const MMRESULT r = waveOutOpen(&play.hWaveOut, uDeviceID, play.pFormat,
                                       winmm::HandleParameter(blockDone_), 0,
                                       dwMapped | dwCallback))
      PlayFailure("Error: waveOutOpen returned: ", r);
    LocalFree(play.pFormat);
    play.pFormat = nullptr;
    play.pData = static_cast<char *>(LocalAlloc(LPTR, dwDataSize));
    if (play.pData == nullptr) PlayFailure("Error: Memory problems.");
    if (mmioRead(play.hFile, play.pData, static_cast<LONG>(dwDataSize)) !=
        static_cast<LONG>(dwDataSize))
      PlayFailure("Failed to read waveform data subchunk.");
    mmioClose(play.hFile, 0);
    play.hFile = 0;

    const DWORD dwBlockSize = BlockSize(wBlockAlign);
    const DWORD dwBlocks = BlockCount(dwDataSize, dwBlockSize);
    play.ppHeaders = static_cast<WAVEHDR **>(LocalAlloc(LPTR, dwBlocks * sizeof(WAVEHDR *)));
    if (play.ppHeaders == nullptr) PlayFailure("Error: Memory issues.");
    play.dwBlocks = dwBlocks;
    for (DWORD i = 0; i < dwBlocks; ++i) {
      auto *pHeader = static_cast<WAVEHDR *>(LocalAlloc(LPTR, sizeof(WAVEHDR)));
      if (pHeader == nullptr) PlayFailure("Error: Memory issues.");
      play.ppHeaders[i] = pHeader;
      // Each block is its stretch of the data chunk, already in memory: a copy of every
      // block would double the memory and the time a long file takes to start.
      pHeader->lpData = play.pData + static_cast<size_t>(i) * dwBlockSize;
      pHeader->dwBufferLength = i + 1 < dwBlocks ? dwBlockSize : dwDataSize - i * dwBlockSize;
      if (const MMRESULT r = waveOutPrepareHeader(play.hWaveOut, pHeader, sizeof(WAVEHDR)))
        PlayFailure("Error: waveOutPrepareHeader returned: ", r);
    }
    // Every block is queued: one that was not would never complete and the wait would
    // not end.
    for (DWORD i = 0; i < dwBlocks; ++i) {
      if (const MMRESULT r = waveOutWrite(play.hWaveOut, play.ppHeaders[i], sizeof(WAVEHDR)))
        PlayFailure("Error: waveOutWrite returned: ", r);
    }
    WaitForBlocks(play.ppHeaders, dwBlocks);
  } catch (EAbort &) {
  } catch (...) {
    ReleasePlayback(play);
    throw;
  }
  ReleasePlayback(play);
}

// Nothing may be released while the device can still use it: the device is reset once,
// before any block goes, and closed after the last.
void kwTAPISoundThread::ReleasePlayback(TPlayback &play) {
  if (play.hFile != 0) mmioClose(play.hFile, 0);
  if (play.hWaveOut != 0) {
    ResetWaveOut(play.hWaveOut);
    for (DWORD i = 0; i < play.dwBlocks; ++i) {
      WAVEHDR *pHeader = play.ppHeaders[i];
      if (pHeader != nullptr) ReleaseWaveOutBuffer(pHeader, play.hWaveOut, nullptr, false);
    }
    CloseWaveOut(play.hWaveOut);
  }
  LocalFree(play.ppHeaders);
  LocalFree(play.pVarString);
  LocalFree(play.pFormat);
  LocalFree(play.pData);
  play = TPlayback{};
}

// The device marks the blocks done in turn. Between looks the thread sleeps until a block is
// done, a stop is asked for or a message comes for it: a device that plays for seconds needs
// no thread spinning beside it.
void kwTAPISoundThread::WaitForBlocks(WAVEHDR **ppHeaders, DWORD dwBlocks) {
  DWORD i = 0;
  while (i < dwBlocks) {
    if (playStopRequested_) PlayFailure("Error: Playback stopped before its end.");
    if (ppHeaders[i]->dwFlags & WHDR_DONE) {
      ppHeaders[i]->dwFlags = 0;
      ++i;
      continue;
    }
    Application->ProcessMessages();
    if (blockDone_ != 0)
      MsgWaitForMultipleObjects(1, &blockDone_, FALSE, kBlockDoneSafetyNet, QS_ALLINPUT);
    else
      MsgWaitForMultipleObjects(0, nullptr, FALSE, kBlockPoll, QS_ALLINPUT);
  }
  Succeeded = true;
}

void kwTAPISoundThread::ResetWaveOut(HWAVEOUT hWaveOut) {
  if (const MMRESULT r = waveOutReset(hWaveOut))
    StatusText += "Error: waveOutReset returned: " + WaveOutErrorText(r);
}

void kwTAPISoundThread::ReleaseWaveOutBuffer(WAVEHDR *pHeader, HWAVEOUT hWaveOut, void *pData,
                                             bool bClose) {
  if (pHeader != nullptr) {
    if (const MMRESULT r = waveOutUnprepareHeader(hWaveOut, pHeader, sizeof(WAVEHDR)))
      StatusText += "Error: waveOutUnprepareHeader returned: " + WaveOutErrorText(r);
    LocalFree(pHeader);
  }
  if (bClose) {
    ResetWaveOut(hWaveOut);
    CloseWaveOut(hWaveOut);
  }
  if (pData != nullptr) LocalFree(pData);
}

// The pauses let a driver settle after a playback that ran to its end; one stopped on request
// ends at once, so that its line is free for what comes next.
void kwTAPISoundThread::CloseWaveOut(HWAVEOUT hWaveOut) {
  const DWORD dwPause = playStopRequested_ ? 0 : kReleasePause;
  Sleep(dwPause);
  if (const MMRESULT r = waveOutClose(hWaveOut)) {
    StatusText += "Error: waveOutClose returned: " + WaveOutErrorText(r);
    // A device left open would refuse every later playback on the line: whatever it still
    // holds is stopped and it is closed again, quietly, since the failure is reported.
    waveOutReset(hWaveOut);
    waveOutClose(hWaveOut);
  }
  Sleep(dwPause);
}
