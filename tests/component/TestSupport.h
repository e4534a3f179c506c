// What the component's tests share: captured message boxes, a fast clock, a fixed wall
// clock, a scratch folder and a fresh simulated exchange.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <vcl.h>
#include <windows.h>

#include "platform/win32/MemoryFaults.h"
#include "platform/win32/Notice.h"
#include "platform/win32/FileFaults.h"
#include "simulator/CommPort.h"

namespace component_test {

struct TNotice {
  std::string caption;
  std::string text;
  UINT style;
};

// Collects every message box while it lives, instead of writing them to standard error.
class TNoticeCapture {
 public:
  TNoticeCapture();
  ~TNoticeCapture();
  std::vector<TNotice> Notices() const;

 private:
  win32::NoticeHandler previous_;
};

// Runs Sleep and timed waits a thousand times faster while it lives.
class TFastClock {
 public:
  TFastClock();
  ~TFastClock();

 private:
  double previous_;
};

// Now() reads 17 May 2002, 14:03:09 while it lives.
class TFixedNow {
 public:
  TFixedNow();
  ~TFixedNow();

 private:
  TNowFunction previous_;
};

// A folder of its own, removed with everything in it at the end.
class TScratchFolder {
 public:
  TScratchFolder();
  ~TScratchFolder();
  std::filesystem::path Path(const std::string &name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path &path);

// Whether both wave devices can be opened, i.e. nothing left them open.
bool WaveDevicesFree(UINT waveOut, UINT waveIn);

// On Windows the component's own pauses and waits run on the system's clock, not the platform
// clock: a test whose caller acts while a call runs is sped up only as far as those pauses stay
// short in the caller's time.
inline double LiveCallerTimeScale(double scale) {
#ifdef _WIN32
  return scale < 10 ? scale : 10;
#else
  return scale;
#endif
}

}  // namespace component_test

// What a test needs that one system does not offer; the test is skipped there, saying why.
#define CORVAX_REQUIRE_ALLOCATION_FAULTS()                                                \
  if (!win32::AllocationFaultsApply())                                                    \
  GTEST_SKIP() << "planned allocation failures do not reach the system's own allocators " \
                  "(Windows)"
#define CORVAX_REQUIRE_FILE_WRITE_FAULTS()                                          \
  if (!win32::FileWriteFaultsApply())                                               \
  GTEST_SKIP() << "planned write failures do not reach the system's own WriteFile " \
                  "(Windows)"
#define CORVAX_REQUIRE_COMM_PORT() \
  if (!sim::CommPortAvailable())   \
  GTEST_SKIP() << "the modem's data line (comm/datamodem) is not simulated on Windows"
