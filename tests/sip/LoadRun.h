// A load run with real callers: one corvax-phone answering a hunt group of K channels on one
// address, and K sipp callers at once, each saying a sweep it plays from a capture file while
// a receiver of our own notes when each of the line's packets arrives. What the bench prints
// and what the load test asserts.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/sip/Peer.h"
#include "tests/support/AudioSignals.h"

namespace sip_test {

struct LoadSettings {
  std::filesystem::path phone;   // the corvax-phone program
  std::filesystem::path folder;  // everything of the run is made here
  int channels = 4;
  double greetingSeconds = 3;
  double speechSeconds = 10;  // what the caller says after the greeting and beep
  std::string lineKeys;       // more of the [line], "key = value" lines
  std::string calledUser = "5550100";
};

// What a host holds at a moment.
struct HostUse {
  long fds = 0;
  long residentKb = 0;
};

// corvax-phone answering every call to the hunt group on `ip`, started at once, in the folder
// `name` of the run's; Stop or the destructor ends it with Ctrl-C.
class LoadHost {
 public:
  explicit LoadHost(const LoadSettings &settings, const std::string &ip = "127.0.0.1",
                    const std::string &name = "host");
  ~LoadHost();
  LoadHost(const LoadHost &) = delete;
  LoadHost &operator=(const LoadHost &) = delete;

  // Waits until every channel waits for calls; "" then, else what went wrong.
  std::string WaitUntilServing();
  size_t CallsEnded() const;
  std::string Address() const;
  const std::string &Name() const { return name_; }
  std::filesystem::path Messages() const;
  double CpuSeconds() const;
  HostUse Use() const;
  std::string Output() const { return host_->Output(); }
  // Ctrl-C; its exit status.
  int Stop();
  // Killed, as by a crash; Start serves again on the same address.
  void Kill();
  void Start();

 private:
  LoadSettings settings_;
  std::string ip_;
  std::string name_;
  int port_ = 0;
  std::unique_ptr<Peer> host_;
};

// One message checked against what its caller said.
struct MessageCheck {
  std::string host;  // that saved it
  std::string file;
  bool complete = false;
  std::string detail;  // why not, when not
};

struct RoundReport {
  std::string trouble;  // what kept the round from running, if anything
  int sippStatus = -1;
  std::string sippOutput;
  std::vector<double> setupMs;         // INVITE to 200, per answered call
  std::vector<double> greetingGapsMs;  // between the greeting's packets as they arrived
  std::vector<MessageCheck> messages;
  double hostCpuSeconds = 0;
  double callSeconds = 0;  // the calls' length, added up
  double wallSeconds = 0;
  size_t Complete() const;
};

// What a caller says into a call of `settings`: one sweep, of which the part after the lead (the
// greeting, the beep and the set-up of a loaded host) is what the message must keep.
audio_test::Samples CallerSound(const LoadSettings &settings);
size_t CallerLead(const LoadSettings &settings);
// The messages (WAV files) a folder holds.
std::set<std::filesystem::path> Messages(const std::filesystem::path &folder);
// A message is complete when it is one unbroken stretch of what was said that holds all of it
// after the lead and ends with the last words.
MessageCheck CheckMessage(const std::filesystem::path &file, audio_test::Span said, size_t lead);

// `calls` callers at once to `target` (host:port), each saying the sweep and hanging up (or,
// with `vanish`, falling silent mid-sweep and gone without a BYE); returns once `hosts` have
// ended that many calls between them.
RoundReport RunCallers(const std::string &target, const std::vector<LoadHost *> &hosts,
                       const LoadSettings &settings, int calls, bool vanish);
// As many callers as `host` has channels, straight to it.
RoundReport RunCallers(LoadHost &host, const LoadSettings &settings, bool vanish);

// The value below which `share` (0 to 1) of `values` lie; 0 for none.
double Percentile(std::vector<double> values, double share);

}  // namespace sip_test
