#include "simulator/CommPort.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace sim {

void FarEndData::Send(const std::string &bytes) {
  std::lock_guard hold(mutex_);
  toHost_ += bytes;
}

std::string FarEndData::TakeReceived() {
  std::lock_guard hold(mutex_);
  return std::exchange(fromHost_, std::string());
}

void FarEndData::Clear() {
  std::lock_guard hold(mutex_);
  toHost_.clear();
  fromHost_.clear();
}

DWORD FarEndData::ReadInto(void *buffer, DWORD size) {
  std::lock_guard hold(mutex_);
  const DWORD count = static_cast<DWORD>(std::min<size_t>(size, toHost_.size()));
  std::memcpy(buffer, toHost_.data(), count);
  toHost_.erase(0, count);
  return count;
}

void FarEndData::Receive(const void *bytes, DWORD size) {
  std::lock_guard hold(mutex_);
  fromHost_.append(static_cast<const char *>(bytes), size);
}

FarEndData &TheFarEndData() {
  static FarEndData data;
  return data;
}

}  // namespace sim
