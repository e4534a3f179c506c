// The answering machine: waits for calls on the open line and, for each, answers after the
// chosen number of rings, plays the greeting, records the caller's message after the beep
// and files it in the messages folder, then drops the call and waits for the next one. A
// caller may press # in the greeting to skip to the beep, or * (with a PIN set) to hear the
// messages (examples/RemoteMenu.h).
#pragma once

#include <string>
#include <vector>

#include "component/Kwtapi.h"
#include "examples/CallEvents.h"
#include "examples/MessageStore.h"
#include "examples/PhoneOptions.h"
#include "examples/Timeline.h"

class TAnsweringMachine {
 public:
  TAnsweringMachine(TkwTAPI &tapi, TCallEvents &events, TTimeline &timeline,
                    const TPhoneOptions &options);

  // Takes calls until the number asked for is reached or Stop() is called.
  void Run();
  // Ends the machine from a window message of its thread (Ctrl-C): a greeting in progress
  // stops, a recording in progress stops and keeps what it has; a call in progress is dropped.
  void Stop();

  const std::vector<TMessageEntry> &Messages() const { return messages_; }
  int CallsTaken() const { return callsTaken_; }

 private:
  void TakeCall();
  bool Answer(DWORD hCall);
  // Monitors the caller's keys; a line without touch tones is served without them.
  void MonitorKeys(DWORD hCall);
  // The key that cut the greeting short (# or *), or 0.
  char PlayGreeting();
  bool StillConnected(DWORD hCall);
  void RecordMessage(DWORD hCall);
  // Why a recording that ran to its end ended.
  std::string EndReason(int iBuffers) const;
  // Lists the message of `seconds` in the index and among the run's messages, telling `told`.
  void KeepMessage(const TMessageEntry &recorded, double seconds, const std::string &told);
  void ShowProgress(const std::string &path);
  void HangUp(DWORD hCall);

  TkwTAPI &tapi_;
  TCallEvents &events_;
  TTimeline &timeline_;
  const TPhoneOptions &options_;
  TMessageStore store_;
  bool stopped_ = false;
  int callsTaken_ = 0;
  int secondsShown_ = -1;
  std::vector<TMessageEntry> messages_;
};
