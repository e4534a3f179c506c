// The command line of corvax-phone: which command to run and its settings, checked for form
// and range. Whether files and folders are usable is checked where they are used.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

enum class TPhoneCommand { Help, Devices, Answer, Dial };

struct TPhoneOptions {
  TPhoneCommand command = TPhoneCommand::Help;
  uint32_t device = 0;
  // answer: the lines served side by side; empty: `device` alone
  std::vector<uint32_t> devices;
  bool allDevices = false;    // answer: every line device there is
  bool chooseDevice = false;  // the component's device dialog instead of --device
  std::string logFile;        // empty: in the messages folder (answer) or none (dial)
  // answer
  std::string greeting;  // empty: greeting.wav among the program's sounds
  std::string messages = "messages";
  int rings = 2;
  int maxSeconds = 60;
  int calls = 0;    // 0: until Ctrl-C
  std::string pin;  // the keys that play the messages to a caller; empty: nobody may
  bool demo = false;
  int demoLines = 1;  // the lines the demo's callers ring, from the first one served
  // dial
  std::string number;
  std::string play;  // empty: announcement.wav among the program's sounds
  bool assisted = false;
  // every command: the system's own TAPI (Windows) instead of the simulated exchange
  bool systemTapi = false;
  // every command: SIP lines from this configuration file (Linux) instead
  std::string sipConfig;
  // the folder of the program's own sounds; not an option: where the program is installed
  std::string sounds;
};

// Bad input: what is wrong and what to do, in one line.
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The arguments after the program's name.
TPhoneOptions ParsePhoneOptions(const std::vector<std::string> &args);

// Whether answer serves several lines, each on a thread of its own.
bool ServesSeveralLines(const TPhoneOptions &options);

extern const char *const kPhoneUsage;
