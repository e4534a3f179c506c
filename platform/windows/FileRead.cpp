#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/winmm/FileRead.h"

namespace winmm {

int OpenForReading(const char *path) {
  return ::_open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

// ReadFile at an explicit offset leaves no shared position behind, as pread does.
int64_t ReadAt(int descriptor, void *into, size_t count, int64_t offset) {
  const auto file = reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
  if (file == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  DWORD read = 0;
  if (ReadFile(file, into, static_cast<DWORD>(count), &read, &at)) return read;
  if (GetLastError() == ERROR_HANDLE_EOF) return 0;
  errno = EIO;
  return -1;
}

}  // namespace winmm
