// The data side of a line's modem as lineGetIDA hands it out for "comm/datamodem": a fresh
// kernel handle each time, owned by the caller, who closes it with CloseHandle. ReadFile and
// WriteFile on it reach the far end's data stream.
#pragma once

#include <mutex>
#include <string>

#include "wintypes.h"

namespace sim {

// 0 where the system offers no such port (on Windows: the data line is not simulated there).
HANDLE OpenCommPort();
// Whether OpenCommPort gives handles on this system.
bool CommPortAvailable();

// The far end of the modem's data line: what it sends waits for the host's ReadFile, what the
// host writes it has received. Thread-safe.
class FarEndData {
 public:
  void Send(const std::string &bytes);
  // Everything the host wrote so far, taken out.
  std::string TakeReceived();
  void Clear();

  // The comm handle's side.
  DWORD ReadInto(void *buffer, DWORD size);
  void Receive(const void *bytes, DWORD size);

 private:
  std::mutex mutex_;
  std::string toHost_;
  std::string fromHost_;
};

FarEndData &TheFarEndData();

}  // namespace sim
