// The comm handle as a kernel object of the Linux platform layer: ReadFile and WriteFile on it
// reach the far end's data stream.
#include "simulator/CommPort.h"

#include <memory>
#include <mutex>

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

bool CommPortAvailable() {
  return true;
}

HANDLE OpenCommPort() {
  auto &kernel = win32::detail::Kernel::Get();
  std::lock_guard lock(kernel.lock);
  return kernel.Insert(std::make_shared<CommPort>());
}

}  // namespace sim
