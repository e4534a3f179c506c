#include "providers/sip/AudioRoutes.h"

namespace sipnet {

void AudioRoutes::Connect(DWORD deviceId, std::shared_ptr<CallAudio> audio) {
  std::lock_guard<std::mutex> lock(mutex_);
  routes_[deviceId] = std::move(audio);
}

std::shared_ptr<CallAudio> AudioRoutes::Of(DWORD deviceId) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto route = routes_.find(deviceId);
  return route == routes_.end() ? nullptr : route->second;
}

}  // namespace sipnet
