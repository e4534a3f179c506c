#include "examples/WaveFileInfo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// An open RIFF WAVE file positioned at the start of its samples, closed on every way out.
class TWaveReader {
 public:
  explicit TWaveReader(const std::string &path)
      // mmioOpen takes a writable name (LPSTR), so it gets a copy.
      : file_(mmioOpenA(std::string(path).data(), nullptr, MMIO_READ)) {}
  ~TWaveReader() {
    if (file_ != 0) mmioClose(file_, 0);
  }
  TWaveReader(const TWaveReader &) = delete;
  TWaveReader &operator=(const TWaveReader &) = delete;

  std::optional<TWaveFileInfo> Open() {
    if (file_ == 0) return std::nullopt;
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(file_, &riff, nullptr, MMIO_FINDRIFF) != 0) return std::nullopt;
    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK) != 0 || chunk.cksize < 16)
      return std::nullopt;
    TWaveFileInfo info;
    // A plain PCM format chunk has no cbSize; only the part every format shares is read.
    const LONG size = static_cast<LONG>(std::min<DWORD>(chunk.cksize, sizeof info.format));
    if (mmioRead(file_, reinterpret_cast<HPSTR>(&info.format), size) != size) return std::nullopt;
    mmioAscend(file_, &chunk, 0);
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file_, &chunk, &riff, MMIO_FINDCHUNK) != 0) return std::nullopt;
    info.dataBytes = chunk.cksize;
    return info;
  }

  LONG Read(void *into, LONG bytes) { return mmioRead(file_, static_cast<HPSTR>(into), bytes); }

 private:
  HMMIO file_;
};

}  // namespace

double TWaveFileInfo::Seconds() const {
  // From the sample layout rather than nAvgBytesPerSec, which some writers fill loosely.
  const double bytesPerSecond =
      double(format.nSamplesPerSec) * format.nChannels * format.wBitsPerSample / 8;
  return bytesPerSecond > 0 ? dataBytes / bytesPerSecond : 0;
}

std::optional<TWaveFileInfo> ReadWaveFileInfo(const std::string &path) {
  return TWaveReader(path).Open();
}

int PeakSample(const std::string &path) {
  TWaveReader reader(path);
  const auto info = reader.Open();
  if (!info || info->format.wFormatTag != WAVE_FORMAT_PCM || info->format.wBitsPerSample != 16)
    return 0;
  std::vector<int16_t> samples(info->dataBytes / 2);
  const LONG read = reader.Read(samples.data(), static_cast<LONG>(samples.size() * 2));
  samples.resize(read > 0 ? static_cast<size_t>(read) / 2 : 0);
  int peak = 0;
  for (const int16_t sample : samples) peak = std::max(peak, std::abs(int{sample}));
  return peak;
}
