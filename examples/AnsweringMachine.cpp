#include "examples/AnsweringMachine.h"

#include <filesystem>
#include <optional>

#include "examples/RemoteMenu.h"
#include "examples/Ticker.h"
#include "examples/WaveFileInfo.h"

namespace {

// A recording whose loudest sample stays below this (1% of full scale) holds nothing said:
// the caller hung up or kept quiet, and no message is kept.
constexpr int kSpeechLevel = 328;

std::string Str(const AnsiString &text) {
  return text.c_str();
}

// The length of a recording in which something was said; a file without speech (or without
// sound) is no message and is removed.
std::optional<double> SpokenSeconds(const std::string &path) {
  const auto info = ReadWaveFileInfo(path);
  if (info && PeakSample(path) >= kSpeechLevel) return info->Seconds();
  std::error_code ignored;  // a file that was never created is not there to remove
  std::filesystem::remove(path, ignored);
  return std::nullopt;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

}  // namespace

TAnsweringMachine::TAnsweringMachine(TkwTAPI &tapi, TCallEvents &events, TTimeline &timeline,
                                     const TPhoneOptions &options)
    : tapi_(tapi),
      events_(events),
      timeline_(timeline),
      options_(options),
      store_(options.messages) {}

void TAnsweringMachine::Run() {
  while (!stopped_ && (options_.calls == 0 || callsTaken_ < options_.calls)) {
    // TAPI counts the rings; the call is answered on the ring asked for.
    events_.ServeUntil([&] {
      const TCallFacts &call = events_.Call();
      return stopped_ || call.bEnded || (call.hCall != 0 && call.iRings >= options_.rings);
    });
    if (stopped_) break;
    if (events_.Call().bEnded) {
      timeline_.Event("The caller hung up before the machine answered.");
    } else {
      TakeCall();
    }
    events_.Forget();
    ++callsTaken_;
  }
}

void TAnsweringMachine::Stop() {
  stopped_ = true;
  // Each does nothing unless its sound is running.
  tapi_.StopPlaying();
  tapi_.StopRecording();
}

void TAnsweringMachine::TakeCall() {
  DWORD hCall = events_.Call().hCall;
  if (!Answer(hCall)) return HangUp(hCall);
  MonitorKeys(hCall);
  const char cKey = PlayGreeting();
  // The caller may have hung up while the greeting played.
  if (cKey == '*' && !stopped_ && StillConnected(hCall)) {
    TRemoteMenu(tapi_, events_, timeline_, options_, store_).Run(stopped_);
  } else if (!stopped_ && StillConnected(hCall)) {
    RecordMessage(hCall);
  } else if (events_.Call().Over()) {
    timeline_.Event("The caller hung up during the greeting: no message.");
  }
  HangUp(hCall);
}

void TAnsweringMachine::MonitorKeys(DWORD hCall) {
  const int iResult = tapi_.MonitorDigits(hCall, true);
  // Told only to an owner who set a PIN to call in with: other callers lose nothing.
  if (iResult == 0 || options_.pin.empty()) return;
  char szText[4096] = {};
  timeline_.Event(std::string("The caller's keys are not heard on this line: ") +
                  TapiErrorText(iResult, szText));
}

char TAnsweringMachine::PlayGreeting() {
  if (stopped_ || events_.Call().Over()) return 0;
  timeline_.Event("Playing the greeting " + options_.greeting);
  // A greeting nobody hears any more would keep the line from its next call for the rest of
  // its length.
  events_.WhenCallEnds([this] { tapi_.StopPlaying(); });
  char cSkippedBy = 0;
  events_.WhenKeyPressed([&](char cKey) {
    if (cSkippedBy != 0 || (cKey != '#' && (cKey != '*' || options_.pin.empty()))) return;
    cSkippedBy = cKey;
    tapi_.StopPlaying();
  });
  AnsiString asStatus;
  // Blocks until the greeting is played or stopped; the component serves the thread's
  // messages meanwhile, so events (a hang-up among them) are handled during it.
  const bool bPlayed = tapi_.PlayASound(options_.greeting.c_str(), &asStatus);
  events_.WhenCallEnds(nullptr);
  events_.WhenKeyPressed(nullptr);
  // Keys up to the one that chose are no part of what follows; those after it are (a PIN).
  while (cSkippedBy != 0 && events_.TakeKey() != cSkippedBy) {
  }
  if (cSkippedBy == '#') timeline_.Event("The caller pressed #: skipping to the beep.");
  if (cSkippedBy == '*') timeline_.Event("The caller pressed *: the messages menu.");
  if (bPlayed || cSkippedBy != 0) return cSkippedBy;
  if (stopped_ || events_.Call().Over())
    timeline_.Event("The greeting was stopped.");
  else
    timeline_.Event("The greeting could not be played: " + Str(asStatus));
  return 0;
}

bool TAnsweringMachine::Answer(DWORD hCall) {
  timeline_.Event("Answering after " + std::to_string(events_.Call().iRings) + " ring(s)");
  AnsiString asError;
  // A positive request id means TAPI took the request; the call is answered when it says so.
  if (tapi_.AnswerTheLine(hCall, &asError) <= 0) {
    timeline_.Event(Str(asError));
    return false;
  }
  events_.ServeUntil([&] {
    const TCallFacts &call = events_.Call();
    return stopped_ || call.bEnded || !call.requestFailure.empty() ||
           call.dwCallState == LINECALLSTATE_CONNECTED;
  });
  return events_.Call().dwCallState == LINECALLSTATE_CONNECTED && !events_.Call().bEnded;
}

// Asks TAPI rather than trusting the events seen so far: the hang-up may still be on its way
// to the main thread.
bool TAnsweringMachine::StillConnected(DWORD hCall) {
  if (events_.Call().bEnded) return false;
  LINECALLSTATUS *pStatus = nullptr;
  const bool bConnected = tapi_.kwGetCallStatus(hCall, &pStatus, nullptr) == 0 &&
                          pStatus->dwCallState == LINECALLSTATE_CONNECTED;
  // The status block is the caller's to release, from the heap that made it.
  if (pStatus != nullptr) HeapFree(GetProcessHeap(), 0, pStatus);
  return bConnected;
}

void TAnsweringMachine::RecordMessage(DWORD hCall) {
  const TCallFacts &call = events_.Call();
  TMessageEntry entry{Now(), call.callerName, call.callerNumber, 0, ""};
  entry.fileName = store_.NewMessageName(entry.time, entry.callerNumber);
  const std::string path = store_.PathOf(entry.fileName);
  timeline_.Event("Recording after the beep into " + path + " (silence, " +
                  std::to_string(options_.maxSeconds) + " s or a hang-up ends it)");
  AnsiString asStatus;
  int iBuffers = 0;
  bool bRecorded = false;
  {
    // The component writes a complete WAV file after every second it records, so the file
    // tells how far the recording has come.
    secondsShown_ = -1;
    TTicker progress(250, [&] { ShowProgress(path); });
    bRecorded = tapi_.RecordASound(path.c_str(), hCall, options_.maxSeconds, &asStatus, &iBuffers);
  }
  ShowProgress(path);
  const std::optional<double> spoken = SpokenSeconds(path);
  if (!bRecorded) {
    // What was written before the failure is still a whole WAV file: the caller's message.
    const std::string failure =
        "The recording failed" + (asStatus.IsEmpty() ? "" : " (" + Str(asStatus) + ")");
    if (!spoken) return timeline_.Event(failure + ": no message kept.");
    return KeepMessage(
        entry, *spoken,
        failure + ": the " + Seconds(*spoken) + " written before are kept as " + path);
  }
  const std::string ended = "Recording ended (" + EndReason(iBuffers) + ")";
  if (!spoken) return timeline_.Event(ended + ": nothing was said, no message.");
  KeepMessage(entry, *spoken, ended + ": message of " + Seconds(*spoken) + " saved as " + path);
}

std::string TAnsweringMachine::EndReason(int iBuffers) const {
  if (stopped_) return "Ctrl-C stopped the recording";
  if (events_.Call().bEnded) return "the caller hung up";
  if (iBuffers >= options_.maxSeconds) return "the length limit was reached";
  return "the caller fell silent";
}

void TAnsweringMachine::KeepMessage(const TMessageEntry &recorded, double seconds,
                                    const std::string &told) {
  TMessageEntry entry = recorded;
  entry.seconds = seconds;
  messages_.push_back(entry);
  timeline_.Event(told);
  if (!store_.AddToIndex(entry))
    timeline_.Event("The index " + store_.IndexPath() + " could not be written.");
}

void TAnsweringMachine::ShowProgress(const std::string &path) {
  const auto info = ReadWaveFileInfo(path);
  const int seconds = info ? static_cast<int>(info->Seconds()) : 0;
  if (seconds == secondsShown_) return;
  secondsShown_ = seconds;
  timeline_.Progress("recording: " + std::to_string(seconds) + " s");
}

void TAnsweringMachine::HangUp(DWORD hCall) {
  if (events_.Call().bEnded) return;
  timeline_.Event("Hanging up");
  const int iResult = tapi_.CloseCall(hCall);
  if (iResult <= 0) {
    char szText[4096] = {};
    timeline_.Event(std::string("The call could not be dropped: ") +
                    TapiErrorText(iResult, szText));
    return;
  }
  // The handle stays the host's until the call is idle; the component releases it then.
  events_.ServeUntil([&] { return events_.Call().bEnded; });
}
