#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/winmm/FileRead.h"

namespace winmm {

int OpenForReading(const char *path) {
  const int descriptor = ::_open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  // Windows refuses to open a folder as a file with "access denied"; it is no more a file to
  // read than on Linux, where opening succeeds and the caller finds it is not a regular file.
  if (descriptor < 0 && errno == EACCES) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      errno = EISDIR;
  }
  return descriptor;
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
