#include "WaveMapper.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace winmm {
namespace {

int16_t ToSample(float value) {
  const float scaled = std::round(value * 32768.0f);
  return static_cast<int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

float ReadSample(const char *at, WORD bits) {
  if (bits == 8) return (static_cast<unsigned char>(*at) - 128) / 128.0f;  // 8-bit is unsigned
  int16_t sample;
  std::memcpy(&sample, at, 2);
  return sample / 32768.0f;
}

}  // namespace

WAVEFORMATEX NativeFormat() {
  return WAVEFORMATEX{WAVE_FORMAT_PCM, 1, kNativeRate, kNativeRate * 2, 2, 16, 0};
}

bool IsNativeFormat(const WAVEFORMATEX &format) {
  return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels == 1 &&
         format.nSamplesPerSec == kNativeRate && format.wBitsPerSample == 16;
}

bool IsConvertible(const WAVEFORMATEX &format) {
  return format.wFormatTag == WAVE_FORMAT_PCM && (format.nChannels == 1 || format.nChannels == 2) &&
         (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
         format.nSamplesPerSec >= 8000 && format.nSamplesPerSec <= 48000;
}

DWORD FrameSize(const WAVEFORMATEX &format) {
  return format.nChannels * format.wBitsPerSample / 8;
}

DWORD BytesPerSecond(const WAVEFORMATEX &format) {
  return format.nSamplesPerSec * FrameSize(format);
}

FormatConverter::FormatConverter(const WAVEFORMATEX &source) : source_(source) {
  if (source_.nSamplesPerSec == kNativeRate) return;
  int error = 0;
  resampler_ = src_new(SRC_SINC_FASTEST, 1, &error);
  if (resampler_ == nullptr) throw std::runtime_error(src_strerror(error));
}

FormatConverter::~FormatConverter() {
  if (resampler_) src_delete(resampler_);
}

std::vector<int16_t> FormatConverter::Convert(std::span<const char> bytes) {
  const auto frames = MonoFrames(bytes);
  if (resampler_ == nullptr) {
    std::vector<int16_t> samples(frames.size());
    std::transform(frames.begin(), frames.end(), samples.begin(), ToSample);
    return samples;
  }
  return Resample(frames, false);
}

std::vector<int16_t> FormatConverter::Flush() {
  carried_.clear();
  if (resampler_ == nullptr) return {};
  auto samples = Resample({}, true);
  src_reset(resampler_);
  return samples;
}

std::vector<float> FormatConverter::MonoFrames(std::span<const char> bytes) {
  std::vector<char> data(carried_.begin(), carried_.end());
  data.insert(data.end(), bytes.begin(), bytes.end());
  const size_t frame_size = FrameSize(source_);
  const size_t sample_size = source_.wBitsPerSample / 8;
  const size_t count = data.size() / frame_size;
  std::vector<float> frames(count);
  for (size_t i = 0; i < count; ++i) {
    const char *frame = data.data() + i * frame_size;
    float sum = 0;
    for (WORD channel = 0; channel < source_.nChannels; ++channel) {
      sum += ReadSample(frame + channel * sample_size, source_.wBitsPerSample);
    }
    frames[i] = sum / source_.nChannels;
  }
  carried_.assign(data.begin() + static_cast<ptrdiff_t>(count * frame_size), data.end());
  return frames;
}

std::vector<int16_t> FormatConverter::Resample(const std::vector<float> &frames, bool last) {
  const double ratio = double{kNativeRate} / source_.nSamplesPerSec;
  std::vector<float> out(static_cast<size_t>(frames.size() * ratio) + 256);
  std::vector<int16_t> samples;
  // The converter takes a null input as "nothing yet" and would ignore the end of input,
  // keeping back the samples a flush is there to give up.
  static const float kNoFrames = 0;
  SRC_DATA data{};
  data.data_in = frames.empty() ? &kNoFrames : frames.data();
  data.input_frames = static_cast<long>(frames.size());
  data.src_ratio = ratio;
  data.end_of_input = last ? 1 : 0;
  for (;;) {
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    const int error = src_process(resampler_, &data);
    if (error != 0) throw std::runtime_error(src_strerror(error));
    for (long i = 0; i < data.output_frames_gen; ++i) samples.push_back(ToSample(out[i]));
    data.data_in += data.input_frames_used;
    data.input_frames -= data.input_frames_used;
    if (data.input_frames == 0 && data.output_frames_gen == 0) break;
  }
  return samples;
}

}  // namespace winmm
