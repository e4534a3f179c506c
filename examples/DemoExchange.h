// The simulated exchange the example runs on, and the far end of its demo: the lines it has,
// callers who ring the answering machine and a called party who answers the dialler. This is
// the only part of the example that uses the simulator's control API; everything else is a
// host of the component as it would be on any telephony service.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace demo {

// Three lines whose providers report their names in different ways, each with wave devices
// for calls with sound.
void SetUpExchange();

struct TScriptedCaller {
  std::string name;
  std::string number;
  // What the caller says after the answering machine's beep (a WAV file); empty: nothing.
  std::string speech;
  // Hangs up one second into the greeting instead of waiting for the beep.
  bool hangsUpDuringGreeting = false;
};

// Alice, who leaves a spoken message and then falls silent, and Bob, who hangs up during the
// greeting. Alice's speech is caller-alice.wav in the folder of the program's sounds.
std::vector<TScriptedCaller> TwoCallers(const std::string &soundFolder);

// Plays a script of callers on a line, one after the other, from its own thread paced by the
// platform clock: each rings until answered (the caller ID after the first ring), then does
// what the script says and stays on until the call is over. A caller who speaks listens for
// the beep, as a person does, and speaks a moment after it; until then the line carries the
// faint noise of the caller's end. Stopping hangs up a call in progress.
class TFarEnd {
 public:
  // The callers of the script ring the line, the first one `dwDelay` ms later than alone.
  TFarEnd(DWORD dwLine, std::vector<TScriptedCaller> callers, DWORD dwDelay = 0);
  // The called party of an outgoing call on the line answers after two seconds of ringing.
  explicit TFarEnd(DWORD dwLine);
  ~TFarEnd();
  TFarEnd(const TFarEnd &) = delete;
  TFarEnd &operator=(const TFarEnd &) = delete;

 private:
  void Call(const TScriptedCaller &caller);
  void AnswerOutgoingCall();
  // False once the far end is told to stop.
  bool Pause(DWORD dwMilliseconds);
  // Waits until the call is idle; hangs it up if told to stop first.
  void StayOn(DWORD call);

  const DWORD dwLine_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace demo
