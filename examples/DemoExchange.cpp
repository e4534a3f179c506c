#include "examples/DemoExchange.h"

#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"

namespace demo {
namespace {

constexpr DWORD kRingCadence = 2000;  // ms between rings
constexpr int kRingsBeforeGivingUp = 10;
constexpr DWORD kPoll = 50;              // ms between looks at the call
constexpr size_t kGreetingHeard = 8000;  // samples: one second of the line's sound

sim::Exchange &Exchange() {
  return sim::TheExchange();
}

}  // namespace

void SetUpExchange() {
  sim::Exchange &exchange = Exchange();
  exchange.Reset(3);
  exchange.Line(0)
      .Name("Voice Modem")
      .MediaModes(LINEMEDIAMODE_UNKNOWN | LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM)
      .Address("5551000")
      .WaveOut(0)
      .WaveIn(0);
  // This provider does not count a terminating NUL in the name's size.
  exchange.Line(1)
      .NameWithoutNul("Data/Fax/Voice Modem")
      .MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE |
                  LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX)
      .Address("5551001")
      .DevCapsExtraBytes(1024);
  // This one reports its strings in Unicode, which the component does not read.
  exchange.Line(2)
      .Name("ISDN Line")
      .StringFormat(STRINGFORMAT_UNICODE)
      .MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DIGITALDATA)
      .BearerModes(LINEBEARERMODE_VOICE | LINEBEARERMODE_SPEECH | LINEBEARERMODE_DATA)
      .AddressModes(LINEADDRESSMODE_ADDRESSID | LINEADDRESSMODE_DIALABLEADDR)
      .Address("5552000");
  sim::Audio().Reset();
}

std::vector<TScriptedCaller> TwoCallers(const std::string &soundFolder) {
  return {{"Alice Martin", "5550142", soundFolder + "/caller-alice.wav", false},
          {"Bob Stone", "5550199", "", true}};
}

TFarEnd::TFarEnd(DWORD dwLine, std::vector<TScriptedCaller> callers) : dwLine_(dwLine) {
  thread_ = std::thread([this, callers = std::move(callers)] {
    for (const TScriptedCaller &caller : callers) {
      if (!Pause(kRingCadence)) return;
      Call(caller);
    }
  });
}

TFarEnd::TFarEnd(DWORD dwLine) : dwLine_(dwLine) {
  thread_ = std::thread([this] { AnswerOutgoingCall(); });
}

TFarEnd::~TFarEnd() {
  stop_ = true;
  thread_.join();
}

bool TFarEnd::Pause(DWORD dwMilliseconds) {
  for (DWORD waited = 0; waited < dwMilliseconds && !stop_; waited += kPoll) Sleep(kPoll);
  return !stop_;
}

void TFarEnd::Call(const TScriptedCaller &caller) {
  const UINT waveIn = Exchange().WaveInId(dwLine_).value_or(0);
  const UINT waveOut = Exchange().WaveOutId(dwLine_).value_or(0);
  sim::Audio().Reset();
  // Queued now, the speech waits on the line until the answering machine records: the caller
  // speaks right after the beep, however long the greeting took.
  if (!caller.speech.empty()) sim::Audio().SendWaveFile(waveIn, caller.speech);
  const sim::CallId call = Exchange().OfferCall(dwLine_, {.caller = {caller.name, caller.number}});
  for (int ring = 1; Exchange().CallState(call) == LINECALLSTATE_OFFERING; ++ring) {
    if (ring > kRingsBeforeGivingUp) {
      Exchange().HangUp(call);
      return;
    }
    Exchange().Ring(dwLine_, static_cast<DWORD>(ring));
    if (ring == 1) Exchange().SetCallerId(call, {caller.name, caller.number});
    if (!Pause(kRingCadence)) break;
  }
  if (caller.hangsUpDuringGreeting) {
    while (sim::Audio().Played(waveOut).size() < kGreetingHeard && Pause(kPoll)) {
    }
    Exchange().HangUp(call);
  }
  StayOn(call);
}

void TFarEnd::AnswerOutgoingCall() {
  std::optional<sim::CallId> call;
  while (!(call = Exchange().ActiveCall(dwLine_)) && Pause(kPoll)) {
  }
  if (!call || !Pause(kRingCadence)) return;
  Exchange().Answer(*call);
  StayOn(*call);
}

void TFarEnd::StayOn(DWORD call) {
  while (Exchange().CallState(call) != LINECALLSTATE_IDLE && Pause(kPoll)) {
  }
  if (stop_) Exchange().HangUp(call);
}

}  // namespace demo
