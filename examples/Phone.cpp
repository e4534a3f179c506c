#include "examples/Phone.h"

#include <filesystem>
#include <memory>
#include <optional>

#include <vcl.h>

#include "component/Kwtapi.h"
#include "examples/AnsweringMachine.h"
#include "examples/CallEvents.h"
#include "examples/DemoExchange.h"
#include "examples/Devices.h"
#include "examples/Dialer.h"
#include "examples/InputChecks.h"
#include "examples/Interrupt.h"
#include "examples/LineSession.h"
#include "examples/MessageStore.h"
#include "examples/NoticeOnce.h"
#include "examples/PhoneOptions.h"
#include "examples/SipLines.h"
#include "examples/Timeline.h"
#include "platform/tapi32/TapiProvider.h"
#include "simulator/Selection.h"

namespace {

constexpr int kFailed = 1;
constexpr int kBadInput = 2;
constexpr int kInterrupted = 130;

void Summarise(const TAnsweringMachine &machine, const TMessageStore &store,
               const std::string &logFile, TTimeline &timeline) {
  timeline.Say("");
  timeline.Say("Summary: " + std::to_string(machine.CallsTaken()) + " call(s), " +
               std::to_string(machine.Messages().size()) + " message(s) saved");
  for (const TMessageEntry &message : machine.Messages()) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%5.1f s", message.seconds);
    timeline.Say("  " + store.PathOf(message.fileName) + "  " + seconds + "  from " +
                 message.callerName + " " + message.callerNumber);
  }
  // Only files that are there are named.
  if (std::filesystem::exists(store.IndexPath()))
    timeline.Say("  index:     " + store.IndexPath());
  else if (!machine.Messages().empty())
    timeline.Say("  index:     none; " + store.IndexPath() + " could not be written");
  if (std::filesystem::exists(logFile)) timeline.Say("  debug log: " + logFile);
}

int Answer(TkwTAPI &tapi, const TPhoneOptions &options, TTimeline &timeline) {
  CheckPlayableWaveFile(options.greeting, "--greeting");
  TMessageStore store(options.messages);
  store.CheckWritable();
  const std::string logFile =
      options.logFile.empty() ? store.PathOf("corvax-phone.log") : options.logFile;
  CheckLogFile(logFile);
  tapi.DebugLogFile = logFile.c_str();
  TCallEvents events(tapi, timeline);
  TAnsweringMachine machine(tapi, events, timeline, options);
  TInterruptWatch interrupt([&] {
    timeline.Event("Ctrl-C: stopping");
    machine.Stop();
  });
  TLineSession line(tapi, events, options.device, options.chooseDevice);
  timeline.Event("Waiting for calls on line " + std::to_string(line.Device()) + " (" + line.Name() +
                 "); answering after " + std::to_string(options.rings) + " ring(s); Ctrl-C stops");
  {
    // The far end starts once the line is open, so that the first call finds its owner.
    std::optional<demo::TFarEnd> callers;
    if (options.demo) callers.emplace(line.Device(), demo::TwoCallers(options.sounds));
    machine.Run();
  }
  Summarise(machine, store, logFile, timeline);
  return interrupt.Interrupted() ? kInterrupted : 0;
}

int Dial(TkwTAPI &tapi, const TPhoneOptions &options, TTimeline &timeline) {
  if (!options.assisted) CheckPlayableWaveFile(options.play, "--play");
  if (!options.logFile.empty()) {
    CheckLogFile(options.logFile);
    tapi.DebugLogFile = options.logFile.c_str();
  }
  TCallEvents events(tapi, timeline);
  TDialer dialer(tapi, events, timeline, options);
  TInterruptWatch interrupt([&] {
    timeline.Event("Ctrl-C: hanging up");
    dialer.Stop();
  });
  TLineSession line(tapi, events, options.device, options.chooseDevice);
  bool bDone = false;
  {
    // On the simulated exchange somebody must answer; on SIP lines a real party does.
    std::optional<demo::TFarEnd> calledParty;
    if (options.sipConfig.empty()) calledParty.emplace(line.Device());
    bDone = dialer.Run();
  }
  if (interrupt.Interrupted()) return kInterrupted;
  return bDone ? 0 : kFailed;
}

// The provider the line functions reach: the simulated exchange with the demo's lines, the
// system's TAPI where there is one, or SIP lines (kept in `sipLines` for the run).
std::string ChooseProvider(const TPhoneOptions &options, std::unique_ptr<TapiProvider> &sipLines) {
  if (!options.sipConfig.empty()) {
    sipLines = UseSipLines(options.sipConfig);
    return "the SIP lines of " + options.sipConfig;
  }
  if (!options.systemTapi) {
    demo::SetUpExchange();
    sim::UseSimulatedExchange();
    return "the simulated exchange";
  }
  TapiProvider *system = SystemTapiProvider();
  if (system == nullptr)
    throw TUsageError(
        "--system-tapi: this system has no TAPI of its own (it is Windows'); "
        "the simulated exchange is the provider here");
  SetTapiProvider(system);
  return "the system's TAPI";
}

// The program's own sounds where the command line names none.
TPhoneOptions WithOwnSounds(TPhoneOptions options, const std::string &soundFolder) {
  options.sounds = soundFolder;
  if (options.greeting.empty()) options.greeting = soundFolder + "/greeting.wav";
  if (options.play.empty()) options.play = soundFolder + "/announcement.wav";
  return options;
}

int Run(const TPhoneOptions &options, std::ostream &out, bool bTerminal) {
  std::unique_ptr<TapiProvider> sipLines;
  const std::string where = ChooseProvider(options, sipLines);
  TTimeline timeline(out, bTerminal);
  TkwTAPI tapi(nullptr);
  switch (options.command) {
    case TPhoneCommand::Devices:
      ListDevices(tapi, where, out);
      return 0;
    case TPhoneCommand::Answer:
      return Answer(tapi, options, timeline);
    case TPhoneCommand::Dial:
      return Dial(tapi, options, timeline);
    case TPhoneCommand::Help:
      break;
  }
  out << kPhoneUsage;
  return 0;
}

}  // namespace

int RunPhone(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
             bool bTerminal, const std::string &soundFolder) {
  // The thread that sets up the application is the main thread: every component event is
  // delivered on it.
  Application->Initialize();
  const TNoticeOnce notices;
  try {
    return Run(WithOwnSounds(ParsePhoneOptions(args), soundFolder), out, bTerminal);
  } catch (TUsageError &e) {
    err << "corvax-phone: " << e.what() << "\n";
    return kBadInput;
  } catch (std::exception &e) {  // the framework's Exception among them
    err << "corvax-phone: " << e.what() << "\n";
    return kFailed;
  }
}
