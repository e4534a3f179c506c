#include "examples/WaveFileInfo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
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

std::string TWaveFileInfo::Describe() const {
  static const std::map<WORD, const char *> kinds = {
      {0x0001, "PCM"},      {0x0002, "MS ADPCM"},     {0x0003, "floating-point"},
      {0x0006, "A-law"},    {0x0007, "mu-law"},       {0x0011, "IMA ADPCM"},
      {0x0031, "GSM 6.10"}, {0x0055, "MPEG layer 3"}, {0xFFFE, "extensible-format"}};
  const auto kind = kinds.find(format.wFormatTag);
  const std::string name = kind != kinds.end() ? std::string(kind->second)
                                               : "format " + std::to_string(format.wFormatTag);
  return name + " sound (" + std::to_string(format.nSamplesPerSec) + " Hz, " +
         std::to_string(format.nChannels) + (format.nChannels == 1 ? " channel, " : " channels, ") +
         std::to_string(format.wBitsPerSample) + " bits)";
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
