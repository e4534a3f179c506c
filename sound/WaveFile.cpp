// The WAV file a recording writes: a 46-byte header and the samples, a complete file after
// every buffer. The samples go first and the header counts them only once they are on disk,
// so a failed write never leaves a header that claims more than the file holds.
#include "sound/Kwtapisoundthread.h"

#include <cstring>

namespace {

constexpr DWORD kFileHeaderSize = 46;
constexpr DWORD kFormatChunkSize = sizeof(WAVEFORMATEX);

void Put(BYTE *&pAt, const void *pBytes, size_t size) {
  std::memcpy(pAt, pBytes, size);
  pAt += size;
}

void PutDword(BYTE *&pAt, DWORD dwValue) {
  const BYTE bytes[4] = {static_cast<BYTE>(dwValue), static_cast<BYTE>(dwValue >> 8),
                         static_cast<BYTE>(dwValue >> 16), static_cast<BYTE>(dwValue >> 24)};
  Put(pAt, bytes, sizeof bytes);
}

bool WriteAt(HANDLE hFile, DWORD dwOffset, const void *pBytes, DWORD dwSize) {
  DWORD dwWritten = 0;
  return SetFilePointer(hFile, static_cast<LONG>(dwOffset), nullptr, FILE_BEGIN) == dwOffset &&
         WriteFile(hFile, pBytes, dwSize, &dwWritten, nullptr) && dwWritten == dwSize;
}

// Cuts off whatever a failed write left past the data the header counts.
void TruncateAt(HANDLE hFile, DWORD dwOffset) {
  if (SetFilePointer(hFile, static_cast<LONG>(dwOffset), nullptr, FILE_BEGIN) == dwOffset)
    SetEndOfFile(hFile);
}

}  // namespace

int kwTAPISoundThread::AppendWaveData(const char *szFileName, WAVEHDR *pHeader, bool bLast) {
  const bool bWasOpen = FileHandle != 0;
  if (!bWasOpen) {
    FileHandle = CreateFileA(szFileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, 0);
  }
  if (FileHandle == 0 || FileHandle == INVALID_HANDLE_VALUE) {
    MessageBoxA(0, "Error opening file.", "", MB_OK);
    MessageNotSaved("the file could not be created.");
    if (bLast) FileHandle = 0;
    return -1;
  }
  // After a failed write the file keeps the whole buffers before it: a later buffer would
  // leave a hole in the message, and a full disk would raise a box for every second.
  if (!writeFailed_) {
    // A new file is a valid, empty WAV file before any sample goes in; one whose header
    // could not be written is left empty rather than holding part of a header.
    const bool bStarted = bWasOpen || WriteFileHeader(0);
    if (!bStarted) TruncateAt(FileHandle, 0);
    if (!bStarted || !WriteSamples(pHeader)) {
      writeFailed_ = true;
      MessageBoxA(0, "Error writing file.", "", MB_OK);
      MessageWriteFailed();
    }
  }
  if (bLast) {
    CloseHandle(FileHandle);
    FileHandle = 0;
  }
  return 0;
}

bool kwTAPISoundThread::WriteSamples(const WAVEHDR *pHeader) {
  const DWORD dwEnd = kFileHeaderSize + BytesRecorded;
  const DWORD dwBytes = pHeader->dwBytesRecorded;
  if (!WriteAt(FileHandle, dwEnd, pHeader->lpData, dwBytes)) {
    TruncateAt(FileHandle, dwEnd);
    return false;
  }
  if (!WriteFileHeader(BytesRecorded + dwBytes)) {
    TruncateAt(FileHandle, dwEnd);
    WriteFileHeader(BytesRecorded);
    return false;
  }
  BytesRecorded += dwBytes;
  return true;
}

bool kwTAPISoundThread::WriteFileHeader(DWORD dwDataBytes) {
  BYTE header[kFileHeaderSize];
  BYTE *pAt = header;
  Put(pAt, "RIFF", 4);
  PutDword(pAt, dwDataBytes + kFileHeaderSize - 8);
  Put(pAt, "WAVE", 4);
  Put(pAt, "fmt ", 4);
  PutDword(pAt, kFormatChunkSize);
  Put(pAt, &RecordFormat, kFormatChunkSize);
  Put(pAt, "data", 4);
  PutDword(pAt, dwDataBytes);
  return WriteAt(FileHandle, 0, header, kFileHeaderSize);
}

void kwTAPISoundThread::MessageWriteFailed() {
  const DWORD dwSeconds = BytesRecorded / RecordFormat.nAvgBytesPerSec;
  if (dwSeconds == 0) {
    MessageNotSaved("the file could not be written.");
    return;
  }
  messageLost_ = true;
  StatusText += "Error: The rest of the message could not be written: " + IntToStr(dwSeconds) +
                " s were saved.";
}

void kwTAPISoundThread::MessageNotSaved(const char *szReason) {
  if (messageLost_) return;
  messageLost_ = true;
  StatusText += AnsiString("Error: The message was not saved: ") + szReason;
}
