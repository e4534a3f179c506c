// A WAV file walked as playback walks it: the RIFF form, the format chunk read whole, back
// out, the data chunk read in pieces of chosen sizes, buffered or not. Whatever the file
// holds, every read must give exactly the file's bytes at the reader's position and never
// more than the file has.
#include <mmsystem.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzInput.h"

namespace {

// In memory where the system offers it: the file is written for every input.
const std::string &FilePath() {
  static const std::string path =
      (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") +
      std::string("/corvax-fuzz-riff-") + std::to_string(getpid()) + ".wav";
  return path;
}

void WriteFile(std::span<const uint8_t> bytes) {
  FILE *file = std::fopen(FilePath().c_str(), "wb");
  fuzz::Require(file != nullptr, "cannot write the input file");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

class Walk {
 public:
  Walk(HMMIO file, std::span<const uint8_t> bytes) : file_(file), bytes_(bytes) {}

  bool Descend(MMCKINFO &chunk, const MMCKINFO *parent, UINT flags) {
    if (mmioDescend(file_, &chunk, parent, flags) != MMSYSERR_NOERROR) return false;
    fuzz::Require(chunk.dwDataOffset <= bytes_.size(), "a chunk starts beyond the file");
    at_ = chunk.dwDataOffset + ((flags & (MMIO_FINDRIFF | MMIO_FINDLIST)) ? 4 : 0);
    return true;
  }

  void Ascend(MMCKINFO &chunk) {
    fuzz::Require(mmioAscend(file_, &chunk, 0) == MMSYSERR_NOERROR, "ascend failed");
    at_ = size_t{chunk.dwDataOffset} + chunk.cksize + (chunk.cksize & 1);
  }

  // Reads `count` bytes and checks them against the file; the count read.
  LONG Read(LONG count) {
    std::vector<uint8_t> into(static_cast<size_t>(count));
    const LONG got = mmioRead(file_, reinterpret_cast<HPSTR>(into.data()), count);
    const size_t left = at_ < bytes_.size() ? bytes_.size() - at_ : 0;
    fuzz::Require(got == static_cast<LONG>(std::min<size_t>(left, static_cast<size_t>(count))),
                  "a read gave another count than the file holds");
    fuzz::Require(got == 0 || std::equal(into.begin(), into.begin() + got, bytes_.begin() + at_),
                  "a read gave other bytes than the file holds");
    at_ += static_cast<size_t>(got);
    return got;
  }

 private:
  HMMIO file_;
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

constexpr DWORD kMaxPiece = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::Input input(data, size);
  const uint8_t mode = input.Take<uint8_t>();
  const uint16_t buffer = input.Take<uint16_t>();
  const uint16_t piece = input.Take<uint16_t>();
  const std::span<const uint8_t> bytes = input.Rest();
  WriteFile(bytes);

  MMIOINFO info{};
  info.cchBuffer = buffer;
  const DWORD flags = MMIO_READ | ((mode & 1) ? MMIO_ALLOCBUF : 0);
  const HMMIO file = mmioOpenA(std::string(FilePath()).data(), (mode & 2) ? &info : nullptr, flags);
  fuzz::Require(file != 0, "cannot open the input file");
  Walk walk(file, bytes);
  MMCKINFO riff{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (walk.Descend(riff, nullptr, MMIO_FINDRIFF) && walk.Descend(chunk, &riff, MMIO_FINDCHUNK)) {
    walk.Read(static_cast<LONG>(std::min(chunk.cksize, kMaxPiece)));
    walk.Ascend(chunk);
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (walk.Descend(chunk, &riff, MMIO_FINDCHUNK)) {
      const LONG each = std::max<LONG>(1, piece);
      for (DWORD left = chunk.cksize; left > 0;) {
        const LONG got = walk.Read(static_cast<LONG>(std::min<DWORD>(left, each)));
        if (got == 0) break;
        left -= static_cast<DWORD>(got);
      }
    }
  }
  fuzz::Require(mmioClose(file, 0) == MMSYSERR_NOERROR, "close failed");
  return 0;
}
