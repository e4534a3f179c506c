// Which call's sound each line's wave devices carry; shared between the stack's thread, which
// sets up and ends calls, and the wave devices' threads.
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
  void Disconnect(DWORD deviceId);
  // The call on the line, or null while there is none.
  std::shared_ptr<CallAudio> Of(DWORD deviceId) const;

 private:
  mutable std::mutex mutex_;
  std::map<DWORD, std::shared_ptr<CallAudio>> routes_;
};

}  // namespace sipnet
