#include "tests/component/TestSupport.h"

#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include <mmsystem.h>

#include "platform/win32/Clock.h"

namespace component_test {

namespace {

std::mutex notices_mutex;
std::vector<TNotice> notices;

}  // namespace

TNoticeCapture::TNoticeCapture() {
  {
    std::lock_guard<std::mutex> lock(notices_mutex);
    notices.clear();
  }
  previous_ =
      win32::SetNoticeHandler([](const std::string &caption, const std::string &text, UINT style) {
        std::lock_guard<std::mutex> lock(notices_mutex);
        notices.push_back({caption, text, style});
      });
}

TNoticeCapture::~TNoticeCapture() {
  win32::SetNoticeHandler(previous_);
}

std::vector<TNotice> TNoticeCapture::Notices() const {
  std::lock_guard<std::mutex> lock(notices_mutex);
  return notices;
}

TFastClock::TFastClock() : previous_(win32::TimeScale()) {
  win32::SetTimeScale(1000.0);
}
TFastClock::~TFastClock() {
  win32::SetTimeScale(previous_);
}

TFixedNow::TFixedNow()
    : previous_(SetNowFunction(
          [] { return TDateTime(EncodeDate(2002, 5, 17) + EncodeTime(14, 3, 9, 0)); })) {}
TFixedNow::~TFixedNow() {
  SetNowFunction(previous_);
}

TScratchFolder::TScratchFolder() {
  // A fresh folder of a name nobody holds, as mkdtemp makes, on every system.
  std::random_device random;
  do {
    path_ = std::filesystem::temp_directory_path() /
            ("corvax-component-" + std::to_string(random()) + std::to_string(random()));
  } while (!std::filesystem::create_directory(path_));
}

TScratchFolder::~TScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

// Text mode: a log written on Windows ends its lines with CR LF, read back as \n as on Linux.
std::string ReadFile(const std::filesystem::path &path) {
  std::ifstream in(path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool WaveDevicesFree(UINT waveOut, UINT waveIn) {
  const WAVEFORMATEX native{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
  HWAVEOUT out = 0;
  HWAVEIN in = 0;
  const bool outFree = waveOutOpen(&out, waveOut, &native, 0, 0, 0) == MMSYSERR_NOERROR;
  const bool inFree = waveInOpen(&in, waveIn, &native, 0, 0, 0) == MMSYSERR_NOERROR;
  if (outFree) waveOutClose(out);
  if (inFree) waveInClose(in);
  return outFree && inFree;
}

}  // namespace component_test
