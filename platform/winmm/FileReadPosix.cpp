#include "FileRead.h"

#include <fcntl.h>
#include <unistd.h>

namespace winmm {

int OpenForReading(const char *path) {
  return ::open(path, O_RDONLY | O_CLOEXEC);
}

int64_t ReadAt(int descriptor, void *into, size_t count, int64_t offset) {
  return ::pread(descriptor, into, count, offset);
}

}  // namespace winmm
