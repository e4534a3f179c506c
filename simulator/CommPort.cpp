#include "simulator/CommPort.h"

#include <memory>

#include "platform/win32/Kernel.h"

namespace sim {

namespace {

class CommPort : public win32::detail::KernelObject {};

}  // namespace

HANDLE OpenCommPort() {
  auto &kernel = win32::detail::Kernel::Get();
  std::lock_guard lock(kernel.lock);
  return kernel.Insert(std::make_shared<CommPort>());
}

}  // namespace sim
