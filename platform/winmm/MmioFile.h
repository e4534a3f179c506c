// A file opened for reading, read through an optional buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "MmRecords.h"

namespace winmm {

class MmioFile {
 public:
  // The open file, or the MMIOERR_ code of the failure in `error`.
  static std::unique_ptr<MmioFile> Open(const char *path, LONG buffer_size, MMRESULT &error);
  ~MmioFile();
  MmioFile(const MmioFile &) = delete;
  MmioFile &operator=(const MmioFile &) = delete;

  // Bytes read (0 at the end of the file), or -1 when the file cannot be read.
  LONG Read(char *into, LONG count);
  int64_t Position() const { return position_; }
  void Seek(int64_t position) { position_ = position; }
  // MMSYSERR_NOERROR, or MMIOERR_CANNOTCLOSE.
  MMRESULT Close();

 private:
  MmioFile(int descriptor, LONG buffer_size);
  LONG ReadDirect(char *into, LONG count, int64_t at);
  bool Refill();

  int descriptor_;
  int64_t position_ = 0;
  std::vector<char> buffer_;
  int64_t buffer_start_ = 0;  // file offset of buffer_[0]
  size_t buffer_fill_ = 0;
};

}  // namespace winmm
