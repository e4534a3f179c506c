// The SIP provider's log: one stamped line per event, to a file or standard error. It never
// carries a password: nothing that holds one is handed to it.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace sipnet {

class Log {
 public:
  // Appends to `path`; empty, or a file that cannot be opened, writes to standard error.
  explicit Log(const std::string &path);
  ~Log();
  Log(const Log &) = delete;
  Log &operator=(const Log &) = delete;

  void Write(const std::string &text);

 private:
  std::mutex mutex_;
  FILE *file_ = nullptr;
};

}  // namespace sipnet
