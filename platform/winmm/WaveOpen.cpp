#include "WaveOpen.h"

#include <algorithm>
#include <cstring>

#include "WaveCallback.h"
#include "WaveMapper.h"

namespace winmm {

OpenDecision DecideOpen(const OpenRequest &request, const std::vector<UINT> &present,
                        bool mapper_converts) {
  OpenDecision decision;
  if (request.format == nullptr) {
    decision.result = MMSYSERR_INVALPARAM;
  } else if (const MMRESULT flags = WaveCallback::Check(request.flags)) {
    decision.result = flags;
  } else if (request.device_id == WAVE_MAPPER) {
    // The mapper picks the first device; there is no preferred one.
    decision.result = present.empty() ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
    decision.device = present.empty() ? 0 : present.front();
    decision.converted = true;
  } else if (std::find(present.begin(), present.end(), request.device_id) == present.end()) {
    decision.result = MMSYSERR_BADDEVICEID;
  } else {
    decision.device = request.device_id;
    decision.converted = (request.flags & WAVE_MAPPED) != 0;
  }
  if (decision.result != MMSYSERR_NOERROR) return decision;
  const WAVEFORMATEX &format = *request.format;
  const bool takes =
      IsNativeFormat(format) || (mapper_converts && decision.converted && IsConvertible(format));
  if (!takes) decision.result = WAVERR_BADFORMAT;
  return decision;
}

WAVEFORMATEX CopyFormat(const WAVEFORMATEX &format) {
  WAVEFORMATEX copy{};
  const size_t size =
      format.wFormatTag == WAVE_FORMAT_PCM ? sizeof(PCMWAVEFORMAT) : sizeof(WAVEFORMATEX);
  std::memcpy(&copy, &format, size);
  return copy;
}

bool DeviceClaims::Claim(UINT device) {
  std::lock_guard lock(mutex_);
  return claimed_.insert(device).second;
}

void DeviceClaims::Release(UINT device) {
  std::lock_guard lock(mutex_);
  claimed_.erase(device);
}

}  // namespace winmm
