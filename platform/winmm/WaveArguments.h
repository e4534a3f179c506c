// The arguments of the wave functions as the driver sees them.
#pragma once

#include <string>

#include "WaveDriver.h"

namespace winmm {

Arguments OpenArguments(UINT device_id, const WAVEFORMATEX *format, DWORD_PTR callback,
                        DWORD flags);
Arguments HeaderArguments(DWORD handle, const WAVEHDR *header);
Arguments HandleArguments(DWORD handle);

}  // namespace winmm
