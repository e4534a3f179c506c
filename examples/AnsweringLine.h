// One line of `corvax-phone answer`, as its thread serves it: the line's component, its event
// handlers and its answering machine, and what it took kept for the run's summary, however
// the line ends (a line that dies keeps what it saved before).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "examples/LineSupervisor.h"
#include "examples/MessageStore.h"
#include "examples/PhoneOptions.h"

// What every line of a run took; thread-safe.
class TAnswerTally {
 public:
  struct TMessage {
    std::string label;  // the line's, empty for the only one
    TMessageEntry entry;
  };

  void Add(const std::string &label, int calls, const std::vector<TMessageEntry> &messages);
  int Calls() const;
  std::vector<TMessage> Messages() const;

 private:
  mutable std::mutex lock_;
  int calls_ = 0;
  std::vector<TMessage> messages_;
};

struct TAnsweringSetup {
  const TPhoneOptions &options;
  std::string logFile;
  // The lines the demo's callers ring, in the order of their first calls.
  std::vector<DWORD> demoLines;
};

// Serves `line` until its calls are taken or it is stopped; throws when it cannot be opened.
void ServeAnsweringLine(TLineContext &line, const TAnsweringSetup &setup, TAnswerTally &tally);
