#include "simulator/Journal.h"

#include <algorithm>

namespace sim {

void Journal::Record(Invocation call, int64_t result) {
  std::lock_guard lock(mutex_);
  entries_.push_back({std::move(call), result});
  DropOverflow();
}

void Journal::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
  dropped_ = 0;
}

void Journal::SetCapacity(size_t entries) {
  std::lock_guard lock(mutex_);
  capacity_ = std::max<size_t>(entries, 1);
  DropOverflow();
}

size_t Journal::Capacity() const {
  std::lock_guard lock(mutex_);
  return capacity_;
}

uint64_t Journal::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void Journal::DropOverflow() {
  while (entries_.size() > capacity_) {
    entries_.pop_front();
    ++dropped_;
  }
}

std::vector<JournalEntry> Journal::Entries() const {
  std::lock_guard lock(mutex_);
  return {entries_.begin(), entries_.end()};
}

std::vector<JournalEntry> Journal::Entries(const std::string &operation) const {
  std::vector<JournalEntry> found;
  for (auto &entry : Entries()) {
    if (entry.call.operation == operation) found.push_back(std::move(entry));
  }
  return found;
}

size_t Journal::Count(const std::string &operation) const {
  return Entries(operation).size();
}

int Journal::Find(const std::function<bool(const JournalEntry &)> &match, int from) const {
  const auto entries = Entries();
  for (int i = from < 0 ? 0 : from; i < static_cast<int>(entries.size()); ++i) {
    if (match(entries[i])) return i;
  }
  return -1;
}

int Journal::Find(const std::string &operation, int from) const {
  return Find([&](const JournalEntry &entry) { return entry.call.operation == operation; }, from);
}

std::string Journal::ToString() const {
  std::string text;
  for (const auto &entry : Entries()) {
    text += entry.call.ToString() + " -> " + std::to_string(entry.result) + "\n";
  }
  return text;
}

}  // namespace sim
