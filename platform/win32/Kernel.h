// The kernel object table shared by events, files, windows and the message queues. One lock
// guards every object and queue, so that a wait on several objects (and on the calling
// thread's queue) sees one consistent state. A change wakes only the threads waiting on what
// changed: with many lines, each with its threads, waking every waiter for every change would
// cost the process more than the calls themselves.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

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

  // A thread in a wait: what it waits on (kernel objects, its message queue) and where it
  // sleeps. Registered for the length of the wait.
  struct Waiter {
    std::vector<const void *> subjects;
    std::condition_variable wake;
  };

  // The following require the lock to be held.
  HANDLE Insert(std::shared_ptr<KernelObject> object);
  std::shared_ptr<KernelObject> Find(HANDLE handle) const;
  std::shared_ptr<KernelObject> Remove(HANDLE handle);

  template <class T>
  std::shared_ptr<T> FindAs(HANDLE handle) const {
    return std::dynamic_pointer_cast<T>(Find(handle));
  }

  void Register(Waiter &waiter);
  void Unregister(Waiter &waiter);
  // Wakes the threads waiting on the object or queue, which look again at what they wait on.
  void Announce(const void *subject);

 private:
  Kernel() = default;
  std::vector<Waiter *> waiters_;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects_;
  // Values only grow, so a closed handle's value does not come back while it may still be
  // held somewhere by mistake.
  HANDLE next_ = 0x100;
};

}  // namespace win32::detail
