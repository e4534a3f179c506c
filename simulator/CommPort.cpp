#include "simulator/CommPort.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/win32/ByteStream.h"

namespace sim {

namespace {

class CommPort : public win32::detail::ByteStream {
 public:
  DWORD Read(void *buffer, DWORD size) override { return TheFarEndData().ReadInto(buffer, size); }
  DWORD Write(const void *bytes, DWORD size) override {
    TheFarEndData().Receive(bytes, size);
    return size;
  }
};

}  // namespace

HANDLE OpenCommPort() {
  auto &kernel = win32::detail::Kernel::Get();
  std::lock_guard lock(kernel.lock);
  return kernel.Insert(std::make_shared<CommPort>());
}

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
