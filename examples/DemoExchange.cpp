#include "examples/DemoExchange.h"

#include <random>

#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"

namespace demo {
namespace {

constexpr DWORD kRingCadence = 2000;  // ms between rings
constexpr int kRingsBeforeGivingUp = 10;
constexpr DWORD kPoll = 50;              // ms between looks at the call
constexpr size_t kGreetingHeard = 8000;  // samples: one second of the line's sound
// The caller's end while they listen: faint noise, never the digital silence that tells the
// recorder they have finished; long enough for any greeting, and cut off when they speak.
constexpr double kListeningSeconds = 120;
constexpr int16_t kNoiseLevel = 600;  // about 2% of full scale, as on the speech's line

std::vector<int16_t> LineNoise(double seconds) {
  std::minstd_rand random(5550142);
  std::uniform_int_distribution<int> level(-kNoiseLevel, kNoiseLevel);
  std::vector<int16_t> noise(static_cast<size_t>(seconds * 8000));
  for (auto &sample : noise) sample = static_cast<int16_t>(level(random));
  return noise;
}

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
      .DevCapsExtraBytes(1024)
      .WaveOut(1)
      .WaveIn(1);
  // This one reports its strings in Unicode, which the component does not read.
  exchange.Line(2)
      .Name("ISDN Line")
      .StringFormat(STRINGFORMAT_UNICODE)
      .MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DIGITALDATA)
      .BearerModes(LINEBEARERMODE_VOICE | LINEBEARERMODE_SPEECH | LINEBEARERMODE_DATA)
      .AddressModes(LINEADDRESSMODE_ADDRESSID | LINEADDRESSMODE_DIALABLEADDR)
      .Address("5552000")
      .WaveOut(2)
      .WaveIn(2);
  sim::Audio().Reset();
}

std::vector<TScriptedCaller> TwoCallers(const std::string &soundFolder) {
  return {{"Alice Martin", "5550142", soundFolder + "/caller-alice.wav", false},
          {"Bob Stone", "5550199", "", true}};
}

TFarEnd::TFarEnd(DWORD dwLine, std::vector<TScriptedCaller> callers, DWORD dwDelay)
    : dwLine_(dwLine) {
  thread_ = std::thread([this, callers = std::move(callers), dwDelay] {
    if (!Pause(dwDelay)) return;
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
  // Other lines' calls go on meanwhile: only this line's sound counts from here.
  const size_t heardBefore = sim::Audio().Played(waveOut).size();
  const sim::CallId call = Exchange().OfferCall(dwLine_, {.caller = {caller.name, caller.number}});
  // Ready before the machine can answer, however soon it beeps.
  if (const auto speech = sim::FileSound(caller.speech)) {
    sim::Audio().Send(waveIn, LineNoise(kListeningSeconds));
    Exchange().SayAfterBeep(call, *speech);
  }
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
    while (sim::Audio().Played(waveOut).size() < heardBefore + kGreetingHeard && Pause(kPoll)) {
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
