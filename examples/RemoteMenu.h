// The answering machine's menu for its owner calling in: once the caller has pressed * in the
// greeting, the PIN (three wrong ones hang up), then each message with its time and caller
// announced, 7 deleting it, 9 keeping it and # going on to the next. Any key cuts the sound
// being played short; keys pressed ahead are kept, so a caller who knows the menu need not
// wait for it. The speech is the program's own sounds (menu-*.wav, digit-0.wav ... digit-9.wav).
#pragma once

#include <string>
#include <vector>

#include "component/Kwtapi.h"
#include "examples/CallEvents.h"
#include "examples/MessageStore.h"
#include "examples/PhoneOptions.h"
#include "examples/Timeline.h"

class TRemoteMenu {
 public:
  // How often a caller may give a wrong PIN before the machine hangs up.
  static constexpr int kPinTries = 3;
  // How long the menu waits for a key before it says goodbye, on the platform clock.
  static constexpr DWORD kKeyWaitMs = 15000;

  TRemoteMenu(TkwTAPI &tapi, TCallEvents &events, TTimeline &timeline, const TPhoneOptions &options,
              const TMessageStore &store);

  // Serves the answered call until the caller is done, has gone or gave a wrong PIN three
  // times, or `stopped` is set; the machine hangs up after it.
  void Run(const bool &stopped);

 private:
  bool Authorised();
  void PlayMessages();
  // Asks what to do with the message; false once the caller is gone or silent.
  bool Choose(const TMessageEntry &entry);
  // Plays the program's sounds of these names in order, unless the caller has pressed a key
  // that is still to be taken. False once the call is over.
  bool Say(const std::vector<std::string> &names);
  bool Play(const std::string &path);
  // The next key the caller presses; 0 when the call ends or none comes in time.
  char NextKey();
  bool Gone() const;

  TkwTAPI &tapi_;
  TCallEvents &events_;
  TTimeline &timeline_;
  const TPhoneOptions &options_;
  const TMessageStore &store_;
  const bool *stopped_ = nullptr;
};

// The sounds that read out `number` digit by digit ("digit-5", ...); other characters are
// skipped.
std::vector<std::string> DigitWords(const std::string &number);
