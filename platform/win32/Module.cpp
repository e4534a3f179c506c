#include "platform/win32/Module.h"

#include "platform/win32/Kernel.h"

namespace {

class Module : public win32::detail::KernelObject {
 public:
  bool Closable() const override { return false; }
};

HINSTANCE RegisterModule() {
  auto &kernel = win32::detail::Kernel::Get();
  std::lock_guard<std::mutex> hold(kernel.lock);
  return kernel.Insert(std::make_shared<Module>());
}

}  // namespace

const HINSTANCE HInstance = RegisterModule();
