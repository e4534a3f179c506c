// The kernel object table shared by events, files, windows and the message queues. One lock
// guards every object and queue, so that a wait on several objects (and on the calling
// thread's queue) sees one consistent state, and one condition variable announces changes.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "wintypes.h"

namespace win32::detail {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Runs under the kernel lock when the object's handle is closed.
  virtual void OnClose() {}
  // Objects that CloseHandle must refuse (windows are destroyed, not closed).
  virtual bool Closable() const { return true; }
};

class Kernel {
 public:
  static Kernel &Get();

  std::mutex lock;
  std::condition_variable changed;

  // The following require the lock to be held.
  HANDLE Insert(std::shared_ptr<KernelObject> object);
  std::shared_ptr<KernelObject> Find(HANDLE handle) const;
  std::shared_ptr<KernelObject> Remove(HANDLE handle);

  template <class T>
  std::shared_ptr<T> FindAs(HANDLE handle) const {
    return std::dynamic_pointer_cast<T>(Find(handle));
  }

 private:
  Kernel() = default;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects_;
  // Values only grow, so a closed handle's value does not come back while it may still be
  // held somewhere by mistake.
  HANDLE next_ = 0x100;
};

}  // namespace win32::detail
