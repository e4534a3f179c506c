// Every operation made on the simulated exchange, in order, with its result, so that tests
// can assert what happened and in which order. It keeps the latest entries only, so that a
// host running for days on the simulator does not grow without bound.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "simulator/Invocation.h"

namespace sim {

struct JournalEntry {
  Invocation call;
  int64_t result = 0;
};

class Journal {
 public:
  // Enough for any test run; a long fuzz or stress run drops its oldest entries.
  static constexpr size_t kDefaultCapacity = 100000;

  void Record(Invocation call, int64_t result);
  // Forgets the entries and the count of dropped ones.
  void Clear();

  // At least 1; a smaller journal drops its oldest entries at once.
  void SetCapacity(size_t entries);
  size_t Capacity() const;
  // How many of the oldest entries made room for newer ones since the last Clear.
  uint64_t Dropped() const;

  std::vector<JournalEntry> Entries() const;
  std::vector<JournalEntry> Entries(const std::string &operation) const;
  size_t Count(const std::string &operation) const;
  // Position of the first entry at or after `from` that matches, or -1.
  int Find(const std::function<bool(const JournalEntry &)> &match, int from = 0) const;
  int Find(const std::string &operation, int from = 0) const;
  // The whole journal, one line an entry: "lineOpenA(hLineApp=1, ...) -> 0".
  std::string ToString() const;

 private:
  mutable std::mutex mutex_;
  void DropOverflow();

  size_t capacity_ = kDefaultCapacity;
  uint64_t dropped_ = 0;
  std::deque<JournalEntry> entries_;
};

}  // namespace sim
