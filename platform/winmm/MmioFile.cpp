#include "MmioFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "FileRead.h"

namespace winmm {
namespace {

MMRESULT OpenError(int error) {
  switch (error) {
    case ENOENT:
      return MMIOERR_FILENOTFOUND;
    case ENOTDIR:
      return MMIOERR_PATHNOTFOUND;
    case EACCES:
    case EPERM:
      return MMIOERR_ACCESSDENIED;
    case EMFILE:
    case ENFILE:
      return MMIOERR_TOOMANYOPENFILES;
    case ENOMEM:
      return MMIOERR_OUTOFMEMORY;
    default:
      return MMIOERR_CANNOTOPEN;
  }
}

}  // namespace

std::unique_ptr<MmioFile> MmioFile::Open(const char *path, LONG buffer_size, MMRESULT &error) {
  const int descriptor = OpenForReading(path);
  if (descriptor < 0) {
    error = OpenError(errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    error = MMIOERR_CANNOTOPEN;
    return nullptr;
  }
  error = MMSYSERR_NOERROR;
  return std::unique_ptr<MmioFile>(new MmioFile(descriptor, buffer_size));
}

MmioFile::MmioFile(int descriptor, LONG buffer_size)
    : descriptor_(descriptor), buffer_(buffer_size > 0 ? buffer_size : 0) {}

MmioFile::~MmioFile() {
  Close();
}

MMRESULT MmioFile::Close() {
  if (descriptor_ < 0) return MMSYSERR_NOERROR;
  const int result = ::close(descriptor_);
  descriptor_ = -1;
  return result == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTCLOSE;
}

LONG MmioFile::Read(char *into, LONG count) {
  if (count < 0 || (count > 0 && into == nullptr)) return -1;
  // Reads as large as the buffer gain nothing from it.
  if (buffer_.empty() || static_cast<size_t>(count) >= buffer_.size()) {
    const LONG read = ReadDirect(into, count, position_);
    if (read > 0) position_ += read;
    return read;
  }
  LONG total = 0;
  while (total < count) {
    const bool inside = position_ >= buffer_start_ &&
                        position_ < buffer_start_ + static_cast<int64_t>(buffer_fill_);
    if (!inside && !Refill()) return -1;
    const size_t offset = static_cast<size_t>(position_ - buffer_start_);
    if (offset >= buffer_fill_) break;  // end of file
    const size_t take = std::min(buffer_fill_ - offset, static_cast<size_t>(count - total));
    std::memcpy(into + total, buffer_.data() + offset, take);
    total += static_cast<LONG>(take);
    position_ += static_cast<int64_t>(take);
  }
  return total;
}

bool MmioFile::Refill() {
  const LONG read = ReadDirect(buffer_.data(), static_cast<LONG>(buffer_.size()), position_);
  if (read < 0) return false;
  buffer_start_ = position_;
  buffer_fill_ = static_cast<size_t>(read);
  return true;
}

LONG MmioFile::ReadDirect(char *into, LONG count, int64_t at) {
  LONG total = 0;
  while (total < count) {
    const int64_t read = ReadAt(descriptor_, into + total, count - total, at + total);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return -1;
    if (read == 0) break;
    total += static_cast<LONG>(read);
  }
  return total;
}

}  // namespace winmm
