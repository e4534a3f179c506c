#include "platform/win32/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

#include "platform/win32/ByteStream.h"
#include "platform/win32/FileFaults.h"
#include "platform/win32/Kernel.h"

using win32::detail::Kernel;

namespace {

class File : public win32::detail::KernelObject {
 public:
  explicit File(int descriptor) : descriptor_(descriptor) {}
  ~File() override { ::close(descriptor_); }
  int Descriptor() const { return descriptor_; }

 private:
  const int descriptor_;
};

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_INVALID_DATA;
  }
}

std::optional<int> OpenFlags(DWORD access, DWORD disposition) {
  int flags = O_CLOEXEC;
  bool reads = access & GENERIC_READ, writes = access & GENERIC_WRITE;
  flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW:
      return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
      return flags | O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
      return flags;
    case OPEN_ALWAYS:
      return flags | O_CREAT;
    case TRUNCATE_EXISTING:
      return writes ? std::optional<int>(flags | O_TRUNC) : std::nullopt;
    default:
      return std::nullopt;
  }
}

std::shared_ptr<win32::detail::ByteStream> FindStream(HANDLE handle) {
  std::lock_guard<std::mutex> hold(Kernel::Get().lock);
  return Kernel::Get().FindAs<win32::detail::ByteStream>(handle);
}

std::shared_ptr<File> FindFile(HANDLE hFile) {
  std::lock_guard<std::mutex> hold(Kernel::Get().lock);
  auto file = Kernel::Get().FindAs<File>(hFile);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD, HANDLE) {
  auto flags = OpenFlags(dwDesiredAccess, dwCreationDisposition);
  if (!lpFileName || !flags) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  bool existed = ::access(lpFileName, F_OK) == 0;
  int descriptor = ::open(lpFileName, *flags, 0666);
  if (descriptor < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  bool reportsExisting =
      dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
  SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : NO_ERROR);
  std::lock_guard<std::mutex> hold(Kernel::Get().lock);
  return Kernel::Get().Insert(std::make_shared<File>(descriptor));
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (auto stream = FindStream(hFile)) {
    const DWORD written = stream->Write(lpBuffer, nNumberOfBytesToWrite);
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = written;
    return TRUE;
  }
  auto file = FindFile(hFile);
  if (!file) return FALSE;
  const char *bytes = static_cast<const char *>(lpBuffer);
  DWORD written = 0;
  // A planned failure writes part of the bytes, as a disk that fills up part way does.
  const auto [toWrite, fails] = win32::detail::DecideWrite(nNumberOfBytesToWrite);
  while (written < toWrite) {
    ssize_t result = ::write(file->Descriptor(), bytes + written, toWrite - written);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) {
      SetLastError(result < 0 && errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_WRITE_FAULT);
      if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = written;
      return FALSE;
    }
    written += static_cast<DWORD>(result);
  }
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = written;
  if (fails) SetLastError(ERROR_DISK_FULL);
  return fails ? FALSE : TRUE;
}

BOOL SetEndOfFile(HANDLE hFile) {
  auto file = FindFile(hFile);
  if (!file) return FALSE;
  const off_t position = ::lseek(file->Descriptor(), 0, SEEK_CUR);
  if (position < 0 || ::ftruncate(file->Descriptor(), position) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                     DWORD dwMoveMethod) {
  static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  auto file = FindFile(hFile);
  if (!file) return INVALID_SET_FILE_POINTER;
  if (dwMoveMethod > FILE_END) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  // Without a high part the distance is a signed 32-bit value, as on Windows.
  int64_t distance =
      lpDistanceToMoveHigh
          ? static_cast<int64_t>((static_cast<uint64_t>(*lpDistanceToMoveHigh) << 32) |
                                 static_cast<uint32_t>(lDistanceToMove))
          : lDistanceToMove;
  off_t position = ::lseek(file->Descriptor(), distance, kWhence[dwMoveMethod]);
  if (position < 0) {
    SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(position);
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (auto stream = FindStream(hFile)) {
    const DWORD read = stream->Read(lpBuffer, nNumberOfBytesToRead);
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = read;
    return TRUE;
  }
  auto file = FindFile(hFile);
  if (!file) return FALSE;
  ssize_t result;
  do {
    result = ::read(file->Descriptor(), lpBuffer, nNumberOfBytesToRead);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    SetLastError(errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_READ_FAULT);
    return FALSE;
  }
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(result);
  return TRUE;
}

namespace win32 {
bool FileWriteFaultsApply() {
  return true;
}
}  // namespace win32
