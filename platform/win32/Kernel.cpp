#include "platform/win32/Kernel.h"

#include <algorithm>

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

void Kernel::Register(Waiter &waiter) {
  waiters_.push_back(&waiter);
}

void Kernel::Unregister(Waiter &waiter) {
  std::erase(waiters_, &waiter);
}

void Kernel::Announce(const void *subject) {
  for (Waiter *waiter : waiters_) {
    if (std::find(waiter->subjects.begin(), waiter->subjects.end(), subject) !=
        waiter->subjects.end())
      waiter->wake.notify_one();
  }
}

}  // namespace win32::detail
