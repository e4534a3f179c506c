// The debug log: one timestamped line per call, appended to DebugLogFile.
#include <cstring>
#include <mutex>
#include <utility>

#include "component/Kwtapi.h"
#include "component/KwtapiLogFile.h"

namespace {

constexpr int kLogAttempts = 5;
constexpr DWORD kLogRetryDelay = 50;

std::mutex &LogFileOpenMutex() {
  static std::mutex mutex;
  return mutex;
}

TLogFileOpen &CurrentLogFileOpen() {
  static TLogFileOpen open = OpenLogFile;
  return open;
}

void OpenThroughCurrentStep(std::ofstream &stream, const std::string &path,
                            std::ios::openmode mode) {
  TLogFileOpen open;
  {
    std::lock_guard<std::mutex> lock(LogFileOpenMutex());
    open = CurrentLogFileOpen();
  }
  open(stream, path, mode);
}

// An existing log is appended to; a missing one is created.
bool OpenLog(std::ofstream &stream, const AnsiString &asPath) {
  const std::ios::openmode mode =
      FileExists(asPath) ? std::ios::out | std::ios::app : std::ios::out | std::ios::trunc;
  OpenThroughCurrentStep(stream, asPath.c_str(), mode);
  return stream.is_open();
}

void WriteLine(std::ofstream &stream, const AnsiString &asMessage) {
  const AnsiString asStamp = FormatDateTime("yyyy/mm/dd hh:nn:ss", Now());
  const char *pszMessage = asMessage.c_str();
  stream.write(pszMessage, static_cast<std::streamsize>(std::strlen(pszMessage)));
  stream << " - " << asStamp.c_str() << '\n';
  stream.flush();
  stream.close();
}

}  // namespace

void OpenLogFile(std::ofstream &stream, const std::string &path, std::ios::openmode mode) {
  stream.open(path, mode);
}

TLogFileOpen SetLogFileOpen(TLogFileOpen open) {
  std::lock_guard<std::mutex> lock(LogFileOpenMutex());
  TLogFileOpen previous = std::exchange(CurrentLogFileOpen(), open ? open : OpenLogFile);
  return previous;
}

void TkwTAPI::LogDebug(AnsiString asMessage) {
  if (DebugLogFile.IsEmpty()) return;
  try {
    std::ofstream stream;
    for (int iAttempt = 1; iAttempt <= kLogAttempts; ++iAttempt) {
      if (OpenLog(stream, DebugLogFile)) {
        WriteLine(stream, asMessage);
        return;
      }
      Sleep(kLogRetryDelay);
    }
    throw Exception("Max log attempts exceeded for msg: " + asMessage);
  } catch (Exception &e) {
    MessageBoxA(0, ("Probem Detected in [TkwTAPI::LogDebug], msg: " + e.Message).c_str(), "ERROR",
                MB_OK);
  }
}
