#include "examples/PhoneOptions.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>

namespace {

struct TRange {
  long low;
  long high;
};

// Takes the value that follows an option.
class TArgs {
 public:
  explicit TArgs(const std::vector<std::string> &args) : args_(args) {}
  bool More() const { return next_ < args_.size(); }
  const std::string &Take() { return args_[next_++]; }
  std::string Value(const std::string &option) {
    if (!More() || args_[next_].rfind("--", 0) == 0)
      throw TUsageError(option + " needs a value; see corvax-phone --help");
    return Take();
  }
  long Number(const std::string &option, TRange range) {
    const std::string text = Value(option);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < range.low ||
        value > range.high) {
      throw TUsageError(option + " must be a whole number from " + std::to_string(range.low) +
                        " to " + std::to_string(range.high) + ", not '" + text + "'");
    }
    return value;
  }

 private:
  const std::vector<std::string> &args_;
  size_t next_ = 0;
};

using TOptionTable = std::map<std::string, std::function<void(TArgs &, TPhoneOptions &)>>;

constexpr long kLastDevice = 0xFFFF;

// "3", "0,2,5" or "all".
void TakeDevices(TArgs &a, TPhoneOptions &o) {
  const std::string text = a.Value("--device");
  o.devices.clear();
  o.allDevices = text == "all";
  if (o.allDevices) return;
  std::vector<std::string> items;
  for (size_t start = 0;;) {
    const size_t comma = text.find(',', start);
    items.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  for (const std::string &item : items) {
    const std::vector<std::string> one{item};
    TArgs number(one);
    const auto device = static_cast<uint32_t>(number.Number("--device", {0, kLastDevice}));
    if (std::find(o.devices.begin(), o.devices.end(), device) != o.devices.end())
      throw TUsageError("--device names line " + item + " twice in '" + text + "'");
    o.devices.push_back(device);
  }
  o.device = o.devices.front();
  if (o.devices.size() == 1) o.devices.clear();
}

// The caller's keys for hearing the messages: 4 to 12 of 0-9 (no * or #, which steer the menu).
void TakePin(TArgs &a, TPhoneOptions &o) {
  constexpr size_t kShortest = 4, kLongest = 12;
  const std::string text = a.Value("--pin");
  const bool digits =
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits || text.size() < kShortest || text.size() > kLongest) {
    throw TUsageError("--pin must be " + std::to_string(kShortest) + " to " +
                      std::to_string(kLongest) + " digits 0-9, not '" + text + "'");
  }
  o.pin = text;
}

// Options every command that opens a line takes.
void AddLineOptions(TOptionTable &table) {
  table["--device"] = TakeDevices;
  table["--choose"] = [](TArgs &, TPhoneOptions &o) { o.chooseDevice = true; };
  table["--log"] = [](TArgs &a, TPhoneOptions &o) { o.logFile = a.Value("--log"); };
}

TOptionTable AnswerOptions() {
  TOptionTable table;
  AddLineOptions(table);
  table["--greeting"] = [](TArgs &a, TPhoneOptions &o) { o.greeting = a.Value("--greeting"); };
  table["--messages"] = [](TArgs &a, TPhoneOptions &o) { o.messages = a.Value("--messages"); };
  table["--rings"] = [](TArgs &a, TPhoneOptions &o) {
    o.rings = static_cast<int>(a.Number("--rings", {1, 20}));
  };
  // The recorder holds one one-second buffer per second, at most 600 of them.
  table["--max-seconds"] = [](TArgs &a, TPhoneOptions &o) {
    o.maxSeconds = static_cast<int>(a.Number("--max-seconds", {1, 600}));
  };
  table["--calls"] = [](TArgs &a, TPhoneOptions &o) {
    o.calls = static_cast<int>(a.Number("--calls", {0, 10000}));
  };
  table["--pin"] = TakePin;
  table["--demo"] = [](TArgs &, TPhoneOptions &o) { o.demo = true; };
  // Two of the demo exchange's lines can be served (the third reports its strings in Unicode).
  table["--demo-lines"] = [](TArgs &a, TPhoneOptions &o) {
    o.demo = true;
    o.demoLines = static_cast<int>(a.Number("--demo-lines", {1, 2}));
  };
  return table;
}

TOptionTable DialOptions() {
  TOptionTable table;
  AddLineOptions(table);
  table["--play"] = [](TArgs &a, TPhoneOptions &o) { o.play = a.Value("--play"); };
  table["--assisted"] = [](TArgs &, TPhoneOptions &o) { o.assisted = true; };
  return table;
}

TPhoneCommand CommandNamed(const std::string &name) {
  static const std::map<std::string, TPhoneCommand> commands = {
      {"devices", TPhoneCommand::Devices}, {"answer", TPhoneCommand::Answer},
      {"dial", TPhoneCommand::Dial},       {"help", TPhoneCommand::Help},
      {"--help", TPhoneCommand::Help},     {"-h", TPhoneCommand::Help}};
  const auto found = commands.find(name);
  if (found == commands.end())
    throw TUsageError("unknown command '" + name + "'; use devices, answer or dial (see --help)");
  return found->second;
}

}  // namespace

const char *const kPhoneUsage =
    "usage: corvax-phone devices [--system-tapi | --sip FILE]\n"
    "       corvax-phone answer [--device N | N,M,... | all | --choose] [--greeting WAV]\n"
    "                           [--messages DIR] [--rings 1-20] [--max-seconds 1-600]\n"
    "                           [--calls N] [--pin DIGITS] [--log FILE] [--demo]\n"
    "                           [--demo-lines 1-2]\n"
    "                           [--system-tapi | --sip FILE]\n"
    "       corvax-phone dial NUMBER [--device N | --choose] [--play WAV] [--assisted]\n"
    "                           [--log FILE] [--system-tapi | --sip FILE]\n"
    "answer waits for calls, greets each caller and records a message into the messages\n"
    "folder (default ./messages) until silence, --max-seconds (default 60) or a hang-up;\n"
    "--calls ends it after that many calls (default: until Ctrl-C). A caller may press # in\n"
    "the greeting to skip to the beep; with --pin (4-12 digits), * then the PIN plays the\n"
    "messages (7 deletes, 9 keeps, # the next one). --demo lets two scripted\n"
    "callers ring on the simulated exchange, --demo-lines N on N lines at overlapping times.\n"
    "--device 0,2,5 or --device all serves those lines side by side, each on its own, into\n"
    "one messages folder (--calls then counts each line's calls); the time line names the\n"
    "line on each of its lines, a line that cannot be opened is told and the others served.\n"
    "dial places a call and plays a file when the\n"
    "far end answers. --system-tapi uses the system's own TAPI (on Windows) instead of the\n"
    "simulated exchange; --sip the SIP lines of a configuration file (on Linux), where\n"
    "NUMBER is a SIP address such as sip:alice@192.0.2.7:5060.\n"
    "exit status: 0 done; 1 the work failed (a line that cannot be opened, a call that\n"
    "failed); 2 bad input, told in one line before the first call (an option, a file to\n"
    "play that the line cannot play, a log or messages folder that cannot be written, a\n"
    "--sip file that cannot serve; with several lines: none of them can be served);\n"
    "130 stopped by Ctrl-C.\n";

bool ServesSeveralLines(const TPhoneOptions &options) {
  return options.allDevices || !options.devices.empty();
}

TPhoneOptions ParsePhoneOptions(const std::vector<std::string> &args) {
  TPhoneOptions options;
  if (args.empty()) return options;
  TArgs rest(args);
  const std::string name = rest.Take();
  options.command = CommandNamed(name);
  TOptionTable table;
  if (options.command == TPhoneCommand::Answer) table = AnswerOptions();
  if (options.command == TPhoneCommand::Dial) table = DialOptions();
  table["--system-tapi"] = [](TArgs &, TPhoneOptions &o) { o.systemTapi = true; };
  table["--sip"] = [](TArgs &a, TPhoneOptions &o) { o.sipConfig = a.Value("--sip"); };
  while (rest.More()) {
    const std::string arg = rest.Take();
    const auto option = table.find(arg);
    if (option != table.end()) {
      option->second(rest, options);
    } else if (options.command == TPhoneCommand::Dial && options.number.empty() &&
               arg.rfind("-", 0) != 0) {
      options.number = arg;
    } else {
      throw TUsageError("unknown argument '" + arg + "' for " + name + "; see corvax-phone --help");
    }
  }
  if (options.systemTapi && !options.sipConfig.empty())
    throw TUsageError("--system-tapi and --sip each choose the provider; give one of them");
  if (options.demo && !options.sipConfig.empty())
    throw TUsageError("--demo plays callers on the simulated exchange; it does not go with --sip");
  if (options.command == TPhoneCommand::Dial && (options.allDevices || !options.devices.empty()))
    throw TUsageError("dial places its call on one line; give --device N");
  if (options.chooseDevice && (options.allDevices || !options.devices.empty()))
    throw TUsageError("--choose picks one line; it does not go with several in --device");
  // Without --device the demo's lines are the ones served.
  if (options.demoLines > 1 && !options.allDevices && options.devices.empty()) {
    for (int line = 0; line < options.demoLines; ++line)
      options.devices.push_back(options.device + static_cast<uint32_t>(line));
  }
  if (options.command == TPhoneCommand::Dial && options.number.empty())
    throw TUsageError("dial needs the NUMBER to call, e.g. corvax-phone dial 5551234");
  return options;
}
