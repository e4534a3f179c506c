// Which call's sound each line's wave devices carry; shared between the stack's thread, which
// sets up calls, and the wave devices' threads. A line keeps its latest call after it has
// ended, so that its wave-in device can still take the last of the call's sound.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "providers/sip/CallAudio.h"

namespace sipnet {

class AudioRoutes {
 public:
  void Connect(DWORD deviceId, std::shared_ptr<CallAudio> audio);
  // The line's latest call, or null before its first.
  std::shared_ptr<CallAudio> Of(DWORD deviceId) const;

 private:
  mutable std::mutex mutex_;
  std::map<DWORD, std::shared_ptr<CallAudio>> routes_;
};

}  // namespace sipnet
