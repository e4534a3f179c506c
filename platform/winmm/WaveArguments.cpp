#include "WaveArguments.h"

#include <cstdio>

namespace winmm {

Arguments OpenArguments(UINT device_id, const WAVEFORMATEX *format, DWORD_PTR callback,
                        DWORD flags) {
  Arguments args{{"uDeviceID", std::to_string(device_id)}};
  if (format) {
    args.insert(args.end(), {{"wFormatTag", std::to_string(format->wFormatTag)},
                             {"nChannels", std::to_string(format->nChannels)},
                             {"nSamplesPerSec", std::to_string(format->nSamplesPerSec)},
                             {"wBitsPerSample", std::to_string(format->wBitsPerSample)}});
  }
  args.insert(args.end(),
              {{"dwCallback", std::to_string(callback)}, {"fdwOpen", std::to_string(flags)}});
  return args;
}

Arguments HeaderArguments(DWORD handle, const WAVEHDR *header) {
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<const void *>(header));
  return {{"handle", std::to_string(handle)},
          {"pwh", address},
          {"dwBufferLength", header ? std::to_string(header->dwBufferLength) : ""}};
}

Arguments HandleArguments(DWORD handle) {
  return {{"handle", std::to_string(handle)}};
}

}  // namespace winmm
