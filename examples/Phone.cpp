#include "examples/Phone.h"

#include <filesystem>
#include <memory>
#include <optional>

#include <vcl.h>

#include "component/Kwtapi.h"
#include "examples/AnsweringLine.h"
#include "examples/CallEvents.h"
#include "examples/DemoExchange.h"
#include "examples/Devices.h"
#include "examples/Dialer.h"
#include "examples/InputChecks.h"
#include "examples/Interrupt.h"
#include "examples/LineSession.h"
#include "examples/LineSupervisor.h"
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

void Summarise(const TAnswerTally &tally, const TMessageStore &store, const std::string &logFile,
               TTimeline &timeline) {
  const std::vector<TAnswerTally::TMessage> messages = tally.Messages();
  timeline.Say("");
  timeline.Say("Summary: " + std::to_string(tally.Calls()) + " call(s), " +
               std::to_string(messages.size()) + " message(s) saved");
  for (const TAnswerTally::TMessage &message : messages) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%5.1f s", message.entry.seconds);
    timeline.Say("  " + (message.label.empty() ? "" : message.label + ": ") +
                 store.PathOf(message.entry.fileName) + "  " + seconds + "  from " +
                 message.entry.callerName + " " + message.entry.callerNumber);
  }
  // Only files that are there are named.
  if (std::filesystem::exists(store.IndexPath()))
    timeline.Say("  index:     " + store.IndexPath());
  else if (!messages.empty())
    timeline.Say("  index:     none; " + store.IndexPath() + " could not be written");
  if (std::filesystem::exists(logFile)) timeline.Say("  debug log: " + logFile);
}

// The lines answer serves: --device's, or every one TAPI has.
std::vector<DWORD> LinesToServe(const TPhoneOptions &options) {
  if (options.allDevices) {
    TkwTAPI tapi(nullptr);
    const DWORD dwCount = CountDevices(tapi);
    if (dwCount == 0) throw TUsageError("--device all: there are no line devices to serve");
    std::vector<DWORD> devices(dwCount);
    for (DWORD dwDevice = 0; dwDevice < dwCount; ++dwDevice) devices[dwDevice] = dwDevice;
    return devices;
  }
  if (options.devices.empty()) return {options.device};
  return {options.devices.begin(), options.devices.end()};
}

// The status of a run in which no line could be served: with one line asked for, as that
// line's failure says (bad input or a failed open); with several, bad input.
int NothingServed(bool bSeveral, const std::exception_ptr &why) {
  if (bSeveral) return kBadInput;
  try {
    std::rethrow_exception(why);
  } catch (const TUsageError &) {
    return kBadInput;
  } catch (...) {
    return kFailed;
  }
}

int Answer(const TPhoneOptions &options, TTimeline &timeline, std::ostream &err) {
  CheckPlayableWaveFile(options.greeting, "--greeting");
  TMessageStore store(options.messages);
  store.CheckWritable();
  TAnsweringSetup setup{
      options, options.logFile.empty() ? store.PathOf("corvax-phone.log") : options.logFile, {}};
  CheckLogFile(setup.logFile);
  const std::vector<DWORD> devices = LinesToServe(options);
  const auto demoCount = std::min<size_t>(devices.size(), static_cast<size_t>(options.demoLines));
  setup.demoLines.assign(devices.begin(), devices.begin() + static_cast<ptrdiff_t>(demoCount));
  TAnswerTally tally;
  std::exception_ptr refusal;
  TLineSupervisor lines(
      timeline, [&](TLineContext &line) { ServeAnsweringLine(line, setup, tally); },
      [&](DWORD dwDevice, const std::exception_ptr &why) {
        refusal = why;
        try {
          std::rethrow_exception(why);
        } catch (const std::exception &e) {
          err << "corvax-phone: " << e.what() << std::endl;
        } catch (...) {
          err << "corvax-phone: line " << dwDevice << " cannot be served" << std::endl;
        }
      });
  TInterruptWatch interrupt([&] {
    timeline.Event("Ctrl-C: stopping");
    lines.Stop();
  });
  lines.Run(devices);
  if (lines.LinesServed() == 0 && refusal) return NothingServed(devices.size() > 1, refusal);
  Summarise(tally, store, setup.logFile, timeline);
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

int Run(const TPhoneOptions &options, std::ostream &out, std::ostream &err, bool bTerminal) {
  std::unique_ptr<TapiProvider> sipLines;
  const std::string where = ChooseProvider(options, sipLines);
  TTimeline timeline(out, bTerminal);
  TkwTAPI tapi(nullptr);
  switch (options.command) {
    case TPhoneCommand::Devices:
      ListDevices(tapi, where, out);
      return 0;
    case TPhoneCommand::Answer:
      return Answer(options, timeline, err);
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
    return Run(WithOwnSounds(ParsePhoneOptions(args), soundFolder), out, err, bTerminal);
  } catch (TUsageError &e) {
    err << "corvax-phone: " << e.what() << "\n";
    return kBadInput;
  } catch (std::exception &e) {  // the framework's Exception among them
    err << "corvax-phone: " << e.what() << "\n";
    return kFailed;
  }
}
