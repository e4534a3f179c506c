// The two file calls that differ between systems: opening a file for binary reading, and
// reading at an offset without moving a file position other readers share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace winmm {

// A descriptor, or -1 with errno set.
int OpenForReading(const char *path);
// The bytes read (0 at the end), or -1 with errno set.
int64_t ReadAt(int descriptor, void *into, size_t count, int64_t offset);

}  // namespace winmm
