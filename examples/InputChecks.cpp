#include "examples/InputChecks.h"

#include <windows.h>
#include <mmsystem.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "examples/PhoneOptions.h"
#include "examples/WaveFileInfo.h"

void CheckPlayableWaveFile(const std::string &path, const char *option) {
  if (!std::filesystem::exists(path))
    throw TUsageError("file '" + path + "' not found; give an existing WAV file with " + option);
  const auto info = ReadWaveFileInfo(path);
  if (!info) throw TUsageError("'" + path + "' is not a WAV file; give a WAV file with " + option);
  // The question the component asks of the line's device before it plays; only a refused
  // format is told here (a provider without wave devices refuses every format alike).
  if (waveOutOpen(nullptr, WAVE_MAPPER, &info->format, 0, 0, WAVE_FORMAT_QUERY) ==
      WAVERR_BADFORMAT) {
    throw TUsageError("'" + path + "' holds " + info->Describe() +
                      ", which the line cannot play; give a PCM WAV file, such as the line's "
                      "own 8 kHz 16-bit mono, with " +
                      option);
  }
}

void CheckLogFile(const std::string &path) {
  std::ofstream log(path, std::ios::app);
  if (!log)
    throw TUsageError("cannot write the debug log '" + path + "' (" + std::strerror(errno) +
                      "); choose another file with --log");
}
