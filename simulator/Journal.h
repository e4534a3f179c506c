// Every operation made on the simulated exchange, in order, with its result, so that tests
// can assert what happened and in which order.
#pragma once

#include <cstdint>
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
  void Record(Invocation call, int64_t result);
  void Clear();

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
  std::vector<JournalEntry> entries_;
};

}  // namespace sim
