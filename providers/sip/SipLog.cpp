#include "providers/sip/SipLog.h"

#include <ctime>

namespace sipnet {

Log::Log(const std::string &path) {
  if (!path.empty()) file_ = std::fopen(path.c_str(), "a");
  if (!path.empty() && file_ == nullptr)
    std::fprintf(stderr, "corvax-sip: log file %s cannot be opened; logging here\n", path.c_str());
}

Log::~Log() {
  if (file_ != nullptr) std::fclose(file_);
}

void Log::Write(const std::string &text) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::lock_guard<std::mutex> lock(mutex_);
  FILE *out = file_ != nullptr ? file_ : stderr;
  std::fprintf(out, "%s  sip: %s\n", stamp, text.c_str());
  std::fflush(out);
}

}  // namespace sipnet
