// What opening a wave device decides before anything is opened: which device, whether it
// takes the format (directly or through the mapper), and whether it is free.
#pragma once

#include <mutex>
#include <set>
#include <vector>

#include "MmRecords.h"

namespace winmm {

struct OpenRequest {
  UINT device_id;  // as asked: a device id or WAVE_MAPPER
  const WAVEFORMATEX *format;
  DWORD flags;
};

struct OpenDecision {
  MMRESULT result = MMSYSERR_NOERROR;
  UINT device = 0;
  bool converted = false;  // the mapper stands between the format and the device
};

// `present` lists the ids of the devices of the direction asked for; `mapper_converts` says
// whether the mapper converts formats in that direction (it does only for output).
OpenDecision DecideOpen(const OpenRequest &request, const std::vector<UINT> &present,
                        bool mapper_converts);

// The caller's format as a whole record, read no further than it reaches: a PCM format
// may be the 16-byte PCMWAVEFORMAT, whose cbSize does not exist (it reads as 0).
WAVEFORMATEX CopyFormat(const WAVEFORMATEX &format);

// A device serves one owner at a time.
class DeviceClaims {
 public:
  bool Claim(UINT device);
  void Release(UINT device);

 private:
  std::mutex mutex_;
  std::set<UINT> claimed_;
};

}  // namespace winmm
