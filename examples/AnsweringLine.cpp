#include "examples/AnsweringLine.h"

#include <algorithm>
#include <optional>

#include "examples/AnsweringMachine.h"
#include "examples/CallEvents.h"
#include "examples/DemoExchange.h"
#include "examples/LineSession.h"

namespace {

// Callers of neighbouring lines start this far apart, so that their calls overlap.
constexpr DWORD kDemoStagger = 1500;

// The demo's callers of this line, the first time it is served.
std::optional<DWORD> DemoDelay(const TLineContext &line, const TAnsweringSetup &setup) {
  const auto found = std::find(setup.demoLines.begin(), setup.demoLines.end(), line.Device());
  if (!setup.options.demo || line.Start() > 1 || found == setup.demoLines.end())
    return std::nullopt;
  return static_cast<DWORD>(found - setup.demoLines.begin()) * kDemoStagger;
}

}  // namespace

void TAnswerTally::Add(const std::string &label, int calls,
                       const std::vector<TMessageEntry> &messages) {
  std::lock_guard<std::mutex> hold(lock_);
  calls_ += calls;
  for (const TMessageEntry &entry : messages) messages_.push_back({label, entry});
}

int TAnswerTally::Calls() const {
  std::lock_guard<std::mutex> hold(lock_);
  return calls_;
}

std::vector<TAnswerTally::TMessage> TAnswerTally::Messages() const {
  std::lock_guard<std::mutex> hold(lock_);
  return messages_;
}

void ServeAnsweringLine(TLineContext &line, const TAnsweringSetup &setup, TAnswerTally &tally) {
  const TPhoneOptions &options = setup.options;
  TTimeline &timeline = line.Timeline();
  TkwTAPI tapi(nullptr);
  tapi.DebugLogFile = setup.logFile.c_str();
  TCallEvents events(tapi, timeline);
  TAnsweringMachine machine(tapi, events, timeline, options);
  // However the line ends: nothing reaches the machine after it, and what it took is kept.
  struct TLineEnd {
    TLineContext &line;
    TAnswerTally &tally;
    const TAnsweringMachine &machine;
    ~TLineEnd() {
      line.OnStop(nullptr);
      tally.Add(line.Label(), machine.CallsTaken(), machine.Messages());
    }
  } end{line, tally, machine};
  line.OnStop([&machine] { machine.Stop(); });
  TLineSession session(tapi, events, line.Device(), options.chooseDevice);
  line.Serving();
  timeline.Event("Waiting for calls on line " + std::to_string(session.Device()) + " (" +
                 session.Name() + "); answering after " + std::to_string(options.rings) +
                 " ring(s); Ctrl-C stops");
  // The far end starts once the line is open, so that the first call finds its owner.
  std::optional<demo::TFarEnd> callers;
  if (const auto delay = DemoDelay(line, setup))
    callers.emplace(session.Device(), demo::TwoCallers(options.sounds), *delay);
  machine.Run();
}
