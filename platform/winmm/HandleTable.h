// Maps the 32-bit handles of one kind of multimedia object to the objects. Handle values
// are never reused and never shared between kinds, so a stale or foreign handle is refused.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "HandleNumber.h"
#include "MmRecords.h"

namespace winmm {

DWORD NextHandleValue();

template <class Object, class Handle>
class HandleTable {
 public:
  Handle Add(std::shared_ptr<Object> object) {
    const DWORD number = NextHandleValue();
    std::lock_guard lock(mutex_);
    objects_.emplace(number, std::move(object));
    return HandleFromParameter<Handle>(number);
  }

  std::shared_ptr<Object> Find(Handle handle) const {
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(HandleNumber(handle));
    return found == objects_.end() ? nullptr : found->second;
  }

  std::shared_ptr<Object> Remove(Handle handle) {
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(HandleNumber(handle));
    if (found == objects_.end()) return nullptr;
    auto object = std::move(found->second);
    objects_.erase(found);
    return object;
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<DWORD, std::shared_ptr<Object>> objects_;
};

}  // namespace winmm
