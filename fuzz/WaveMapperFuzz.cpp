// The wave mapper given any format and any bytes. A format it can convert must give the same
// number of native samples however the stream is cut, that number must follow the ratio of
// the rates, native sound must pass unchanged, and any format waveOutOpen accepts through the
// mapper must play to its end.
#include <mmsystem.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "Clock.h"
#include "FuzzInput.h"
#include "WaveMapper.h"
#include "simulator/Exchange.h"

namespace {

constexpr size_t kMaxBytes = 1 << 16;

std::vector<int16_t> ConvertWhole(const WAVEFORMATEX &format, std::span<const char> bytes) {
  winmm::FormatConverter converter(format);
  auto samples = converter.Convert(bytes);
  const auto rest = converter.Flush();
  samples.insert(samples.end(), rest.begin(), rest.end());
  return samples;
}

// Cut where the chosen piece sizes say, in turn.
size_t ConvertCut(const WAVEFORMATEX &format, std::span<const char> bytes,
                  const std::vector<uint16_t> &pieces) {
  winmm::FormatConverter converter(format);
  size_t count = 0;
  for (size_t at = 0, turn = 0; at < bytes.size(); ++turn) {
    const size_t piece = std::min<size_t>(pieces[turn % pieces.size()], bytes.size() - at);
    count += converter.Convert(bytes.subspan(at, piece)).size();
    at += piece;
  }
  return count + converter.Flush().size();
}

void CheckConversion(const WAVEFORMATEX &format, std::span<const char> bytes,
                     const std::vector<uint16_t> &pieces) {
  const auto whole = ConvertWhole(format, bytes);
  const size_t cut = ConvertCut(format, bytes, pieces);
  const size_t frames = bytes.size() / winmm::FrameSize(format);
  const double expected = double(frames) * winmm::kNativeRate / format.nSamplesPerSec;
  if (cut != whole.size() || std::fabs(double(whole.size()) - expected) > 1.0) {
    std::fprintf(stderr, "%zu frames at %u Hz: %zu samples whole, %zu cut, %.1f expected\n", frames,
                 format.nSamplesPerSec, whole.size(), cut, expected);
    fuzz::Broken("the sample count does not follow the ratio of the rates");
  }
  if (winmm::IsNativeFormat(format) && !whole.empty())
    fuzz::Require(std::memcmp(whole.data(), bytes.data(), whole.size() * 2) == 0,
                  "native sound changed on its way through the mapper");
}

// Plays the bytes through the mapper if it takes the format; a real minute is the limit.
void CheckPlayback(const WAVEFORMATEX &format, std::span<const char> bytes) {
  HWAVEOUT device = 0;
  if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return;
  std::vector<char> data(bytes.begin(), bytes.end());
  WAVEHDR header{};
  header.lpData = data.data();
  header.dwBufferLength = static_cast<DWORD>(data.size());
  fuzz::Require(waveOutPrepareHeader(device, &header, sizeof header) == MMSYSERR_NOERROR,
                "prepare failed");
  fuzz::Require(waveOutWrite(device, &header, sizeof header) == MMSYSERR_NOERROR, "write failed");
  const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!(header.dwFlags & WHDR_DONE)) {
    fuzz::Require(std::chrono::steady_clock::now() < limit, "playback did not end");
    std::this_thread::yield();
  }
  fuzz::Require(waveOutUnprepareHeader(device, &header, sizeof header) == MMSYSERR_NOERROR,
                "unprepare failed");
  fuzz::Require(waveOutClose(device) == MMSYSERR_NOERROR, "close failed");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  sim::TheExchange().Reset(1);
  win32::SetTimeScale(1e6);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::Input input(data, size);
  WAVEFORMATEX format{};
  format.wFormatTag = input.Take<uint16_t>();
  format.nChannels = input.Take<uint16_t>();
  format.nSamplesPerSec = input.Take<uint32_t>();
  format.wBitsPerSample = input.Take<uint16_t>();
  format.nBlockAlign = input.Take<uint16_t>();
  format.nAvgBytesPerSec = input.Take<uint32_t>();
  std::vector<uint16_t> pieces;
  for (int i = 0; i < 4; ++i) pieces.push_back(std::max<uint16_t>(1, input.Take<uint16_t>()));
  const auto rest = input.Rest();
  const std::span<const char> bytes(reinterpret_cast<const char *>(rest.data()),
                                    std::min(rest.size(), kMaxBytes));
  if (winmm::IsConvertible(format)) CheckConversion(format, bytes, pieces);
  CheckPlayback(format, bytes);
  return 0;
}
