#include "Files.h"

#include <sys/stat.h>

bool FileExists(const AnsiString &fileName) {
  struct stat info {};
  return !fileName.IsEmpty() && stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}
