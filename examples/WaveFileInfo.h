// What a WAV file holds, read with the multimedia-file functions as any Windows host would:
// enough to refuse a greeting that is not a WAV file, and to say how long a recorded message
// is and whether anything was said in it.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <optional>
#include <string>

struct TWaveFileInfo {
  WAVEFORMATEX format{};
  DWORD dataBytes = 0;

  double Seconds() const;
  // "A-law sound (8000 Hz, 1 channel, 8 bits)"
  std::string Describe() const;
};

// Empty when the file cannot be read or is not a RIFF WAVE file with "fmt " and "data" chunks.
std::optional<TWaveFileInfo> ReadWaveFileInfo(const std::string &path);

// The largest magnitude among the file's 16-bit PCM samples; 0 when it has none.
int PeakSample(const std::string &path);
