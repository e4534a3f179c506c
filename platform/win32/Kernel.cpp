#include "platform/win32/Kernel.h"

namespace win32::detail {

Kernel &Kernel::Get() {
  // Never destroyed: handles may still be used by static destructors and by threads that
  // end after main returns.
  static Kernel *kernel = new Kernel;
  return *kernel;
}

HANDLE Kernel::Insert(std::shared_ptr<KernelObject> object) {
  HANDLE handle;
  do {
    handle = next_++;
  } while (handle == 0 || handle == INVALID_HANDLE_VALUE || objects_.count(handle) != 0);
  objects_.emplace(handle, std::move(object));
  return handle;
}

std::shared_ptr<KernelObject> Kernel::Find(HANDLE handle) const {
  auto found = objects_.find(handle);
  return found == objects_.end() ? nullptr : found->second;
}

std::shared_ptr<KernelObject> Kernel::Remove(HANDLE handle) {
  auto found = objects_.find(handle);
  if (found == objects_.end()) return nullptr;
  auto object = std::move(found->second);
  objects_.erase(found);
  return object;
}

}  // namespace win32::detail
