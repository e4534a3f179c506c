// Touch tones in the sound of the exchange's simulated calls: the far end's keys as tones in
// what it says, found by a receiver listening to the line while the call is monitored, and the
// application's digits as tones in what the far end hears. Where the system has no touch-tone
// unit (Windows), there are no such tones: digits then come only from DigitDetected.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "simulator/Call.h"

namespace sim {

// The sound of `digits` (0-9 * # A-D, ',' a pause of kDigitPauseMs): each tone `toneMs` long
// and followed by `gapMs` of silence. Empty for another character, or without a touch-tone unit.
std::vector<int16_t> DigitSound(std::string_view digits, DWORD toneMs, DWORD gapMs);

// Listens to the far end's sound of the calls it is told to, on a thread of its own that keeps
// pace with the platform clock, and reports each digit's tone as it begins (LINEDIGITMODE_DTMF)
// and ends (LINEDIGITMODE_DTMFEND), with the tick count at which it did.
class DigitListener {
 public:
  using Report = std::function<void(CallId call, char digit, DWORD digitMode, DWORD tickCount)>;

  // `report` is called on the listener's thread, with none of its locks held.
  explicit DigitListener(Report report);
  ~DigitListener();
  DigitListener(const DigitListener &) = delete;
  DigitListener &operator=(const DigitListener &) = delete;

  // Hears the call's wave-in side from now on; nothing said before is looked at. Listening
  // already, it goes on as it was.
  void Listen(CallId call, UINT waveIn);
  void Stop(CallId call);
  void StopAll();

 private:
  struct Listening;
  void Run();
  // Takes what each call said since the last turn and reports the digits in it.
  void Turn();

  Report report_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<CallId, std::shared_ptr<Listening>> calls_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace sim
