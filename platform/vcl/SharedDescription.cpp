#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Publisher.h"

namespace publisher_detail {

const TMetaClass &SharedDescription(const char *typeName, TMetaClass (*describe)()) {
  static std::mutex mutex;
  // Never destroyed: descriptions are read by objects that may outlive static destruction.
  static auto *descriptions = new std::map<std::string, std::unique_ptr<TMetaClass>>;
  {
    std::lock_guard lock(mutex);
    const auto found = descriptions->find(typeName);
    if (found != descriptions->end()) return *found->second;
  }
  // Built outside the lock: describing a class first describes its parent.
  auto built = std::make_unique<TMetaClass>(describe());
  std::lock_guard lock(mutex);
  return *descriptions->emplace(typeName, std::move(built)).first->second;
}

}  // namespace publisher_detail
