// The wave mapper: which PCM formats reach a device, and their conversion to the devices'
// native format (8 kHz, 16-bit, mono).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "MmRecords.h"

typedef struct SRC_STATE_tag SRC_STATE;

namespace winmm {

constexpr DWORD kNativeRate = 8000;

WAVEFORMATEX NativeFormat();
// Judged by tag, channels, rate and sample size; the derived fields are not relied on.
bool IsNativeFormat(const WAVEFORMATEX &format);
bool IsConvertible(const WAVEFORMATEX &format);
// The bytes one second of the format takes, from its channels, rate and sample size.
DWORD BytesPerSecond(const WAVEFORMATEX &format);
DWORD FrameSize(const WAVEFORMATEX &format);

// Turns a stream of bytes in a convertible format into native samples. A frame split
// between two calls is carried over.
class FormatConverter {
 public:
  explicit FormatConverter(const WAVEFORMATEX &source);
  ~FormatConverter();
  FormatConverter(const FormatConverter &) = delete;
  FormatConverter &operator=(const FormatConverter &) = delete;

  std::vector<int16_t> Convert(std::span<const char> bytes);
  // The samples the rate converter still holds back; the stream may start again afterwards.
  std::vector<int16_t> Flush();

 private:
  std::vector<float> MonoFrames(std::span<const char> bytes);
  std::vector<int16_t> Resample(const std::vector<float> &frames, bool last);

  WAVEFORMATEX source_;
  std::vector<char> carried_;  // the start of a frame that the next call completes
  SRC_STATE *resampler_ = nullptr;
};

}  // namespace winmm
