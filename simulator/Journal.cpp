#include "simulator/Journal.h"

namespace sim {

void Journal::Record(Invocation call, int64_t result) {
  std::lock_guard lock(mutex_);
  entries_.push_back({std::move(call), result});
}

void Journal::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

std::vector<JournalEntry> Journal::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
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
