// A fault sweep in the manner of SQLite's anomaly tests. One whole call (open the line, answer,
// play a greeting, record the caller for up to three seconds, the caller hangs up a second and
// a half into the recording, close) runs once cleanly to list the operations it makes on the
// exchange, its wave devices and the files it reads, then once per operation with exactly that
// one failing. Allocations and file writes, which no journal lists, fail 1st, 2nd, ... in turn
// until a run no longer reaches the planned failure. Every run must end, tell the host the
// failure's own text, and leave nothing open behind it; a run that completes keeps what the
// caller said up to the hang-up.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Clock.h"
#include "component/Kwtapi.h"
#include "component/LineErrorNames.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Operation.h"
#include "tests/PumpMessages.h"
#include "tests/component/TestSupport.h"
#include "tests/support/AudioSignals.h"
#include "tests/winmm/Fixtures.h"
#include "platform/win32/FileFaults.h"
#include "platform/win32/MemoryFaults.h"

namespace {

constexpr UINT kWaveOut = 3;
constexpr UINT kWaveIn = 4;

// The host: what it was told, and the call it holds.
class THost {
 public:
  explicit THost(TkwTAPI &component) {
    component.OnTapiError = TTapiErrorEvent(this, &THost::Error);
    component.OnCallOfferingEvent = TCallOfferingEvent(this, &THost::Offered);
    component.OnCallDisconnectedEvent = TCallDisconnectedEvent(this, &THost::Disconnected);
  }
  void Error(AnsiString text, int, int) { texts.push_back(text.c_str()); }
  void Offered(HCALL hCall, int, int) { call = hCall; }
  void Disconnected(HCALL) { disconnected = true; }
  // A status or error text the host received from a method.
  void Received(const AnsiString &text) {
    if (!text.IsEmpty()) texts.push_back(text.c_str());
  }

  std::vector<std::string> texts;
  DWORD call = 0;
  bool disconnected = false;
};

// The caller talks from the moment it calls, on and on: a sweep, so that the message shows
// which stretch of it was recorded.
const audio_test::Samples &CallerSpeech() {
  static const audio_test::Samples speech = audio_test::Sweep(300, 3400, 600);
  return speech;
}

// When the caller hung up, in virtual milliseconds: between `from` and `to`.
struct THangUp {
  std::atomic<bool> inRecording = false;  // the caller waited for the recording to run
  std::atomic<double> from = 0;
  std::atomic<double> to = 0;
};

struct TOutcome {
  std::vector<sim::JournalEntry> operations;  // what the run asked of the exchange and devices
  std::vector<std::string> texts;             // events, boxes and statuses, in that order
  bool completed = false;                     // every step of the call succeeded
  bool leftOpen = false;        // a line, instance, call handle or wave device outlived it
  bool savedFileTorn = false;   // the message file's header counts other than what it holds
  audio_test::Samples message;  // what the message file holds
  // In virtual milliseconds: when the caller began to speak and when the caller hung up.
  double saidAt = 0;
  double hangUpFrom = 0, hangUpTo = 0;
  // When the wave-in device was started (as waveInStart was called); 0 if it never was.
  std::shared_ptr<std::atomic<double>> deviceStarted = std::make_shared<std::atomic<double>>(0);
  // The caller waited for the recording and hung up in its second buffer, as the sweep means
  // it to; a busy machine may keep the caller's thread from waking in time.
  bool hungUpInRecording = false;
  bool hungUpInTime = true;
};

// The caller hangs up a second and a half after the recording started, or at once when the
// run is over before it started.
void HangUpInTheRecording(sim::CallId call, const std::atomic<bool> &runOver,
                          const std::atomic<double> &deviceStarted, THangUp &hangUp) {
  while (deviceStarted == 0 && !runOver) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (!runOver) {
    hangUp.inRecording = true;
    win32::SleepUntil(deviceStarted + 1500);
  }
  hangUp.from = win32::VirtualNow();
  sim::TheExchange().HangUp(call);
  hangUp.to = win32::VirtualNow();
}

// Pumps until `done` holds; false after ten seconds of real time, which ends the run. Once the
// host has been told of a failure, the event awaited may never come (the line's message thread
// can end with it), so a tenth of a second will do.
bool PumpUntil(const std::function<bool()> &done, const std::function<bool()> &told) {
  using std::chrono::milliseconds;
  return test_support::PumpMessagesWithin(
      done, [&] { return told() ? milliseconds(100) : milliseconds(10000); });
}

// Answers, plays the greeting and records the caller.
bool RecordTheCaller(TkwTAPI &component, THost &host, const component_test::TScratchFolder &folder,
                     const std::function<bool()> &told) {
  if (!PumpUntil([&] { return host.call != 0; }, told)) return false;
  AnsiString error;
  const bool answered = component.AnswerTheLine(host.call, &error) > 0;
  host.Received(error);
  if (!answered) return false;
  AnsiString status;
  const bool played =
      component.PlayASound(fixtures::Sox("tone1000_8000_mono16.wav").c_str(), &status);
  host.Received(status);
  int buffers = 0;
  const bool recorded = component.RecordASound(folder.Path("message.wav").string().c_str(),
                                               host.call, 3, &status, &buffers);
  host.Received(status);
  return played && recorded;
}

bool RunCall(TkwTAPI &component, THost &host, const component_test::TScratchFolder &folder,
             const component_test::TNoticeCapture &boxes, TOutcome &outcome) {
  const auto told = [&] { return !host.texts.empty() || !boxes.Notices().empty(); };
  DWORD device = 0;
  if (!component.OpenDevice(device, false, false)) return false;
  const sim::CallId call = sim::TheExchange().OfferCall(0, {.caller = {"Alice", "5551234"}});
  outcome.saidAt = sim::Audio().Send(kWaveIn, CallerSpeech());
  std::atomic<bool> runOver = false;
  THangUp hangUp;
  std::thread caller([&] { HangUpInTheRecording(call, runOver, *outcome.deviceStarted, hangUp); });
  const auto endCall = [&] {
    runOver = true;
    caller.join();
    outcome.hangUpFrom = hangUp.from;
    outcome.hangUpTo = hangUp.to;
    outcome.hungUpInRecording = hangUp.inRecording;
  };
  const bool recorded = RecordTheCaller(component, host, folder, told);
  endCall();
  return recorded && PumpUntil([&] { return host.disconnected; }, told);
}

// A WAV file whose RIFF or data size disagrees with its length; a file never made, or left
// empty, claims nothing.
bool IsTorn(const std::filesystem::path &path) {
  if (!std::filesystem::exists(path) || std::filesystem::file_size(path) == 0) return false;
  const std::string bytes = component_test::ReadFile(path);
  const auto dword = [&](size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return size_t{value};
  };
  constexpr size_t kHeaderSize = 46;
  return bytes.size() < kHeaderSize || dword(4) != bytes.size() - 8 ||
         dword(kHeaderSize - 4) != bytes.size() - kHeaderSize;
}

// `plan` sets up the failure once the exchange is fresh.
TOutcome RunScenarioOnce(const std::function<void()> &plan) {
  sim::TheExchange().Reset(1);
  sim::TheExchange().Line(0).WaveOut(kWaveOut).WaveIn(kWaveIn);
  sim::Audio().Reset();
  sim::OperationJournal().Clear();
  sim::Faults().Clear();
  TOutcome outcome;
  const auto started = outcome.deviceStarted;
  sim::Faults().FailWhen(
      "waveInStart",
      [started](const sim::Invocation &) {
        *started = win32::VirtualNow();
        return false;
      },
      0);
  if (plan) plan();
  component_test::TNoticeCapture boxes;
  component_test::TScratchFolder folder;
  {
    TkwTAPI component(nullptr);
    THost host(component);
    outcome.completed = RunCall(component, host, folder, boxes, outcome);
    outcome.texts = host.texts;
  }
  outcome.hungUpInTime = !outcome.hungUpInRecording || (outcome.hangUpFrom > *started + 1100 &&
                                                        outcome.hangUpFrom < *started + 1800);
  outcome.savedFileTorn = IsTorn(folder.Path("message.wav"));
  outcome.message = audio_test::ReadWave(folder.Path("message.wav"));
  for (const auto &box : boxes.Notices()) outcome.texts.push_back(box.text);
  outcome.operations = sim::OperationJournal().Entries();
  sim::Exchange &exchange = sim::TheExchange();
  outcome.leftOpen = exchange.OpenLineCount(0) != 0 || exchange.ApplicationCount() != 0 ||
                     exchange.CallHandleCount() != 0 ||
                     !component_test::WaveDevicesFree(kWaveOut, kWaveIn);
  return outcome;
}

// A run whose caller could not hang up in time did not sweep what it was meant to, and is run
// again; a machine too busy for that three times running fails the test.
TOutcome RunScenario(const std::function<void()> &plan = {}) {
  for (int attempt = 1;; ++attempt) {
    TOutcome outcome = RunScenarioOnce(plan);
    if (outcome.hungUpInTime) return outcome;
    if (attempt == 3) {
      ADD_FAILURE() << "the caller could not hang up inside the recording in three runs";
      return outcome;
    }
  }
}

// The code an operation fails with: a line error, a wave error, or what a failed file
// operation returns (no handle, no bytes, an mmio error).
int64_t FailureCode(const std::string &operation) {
  if (operation.rfind("line", 0) == 0) return LINEERR_OPERATIONFAILED;
  if (operation.rfind("wave", 0) == 0) return MMSYSERR_ERROR;
  if (operation == "mmioOpenA") return 0;
  if (operation == "mmioRead") return -1;
  return MMIOERR_CANNOTREAD;
}

std::string WaveText(MMRESULT code) {
  char text[MAXERRORLENGTH] = {};
  waveOutGetErrorTextA(code, text, sizeof text);
  return text;
}

// A wave-out failure as the playback reports it: the operation and the code's text.
std::string WaveOutFailure(const std::string &operation) {
  return "Error: " + operation + " returned: " + WaveText(MMSYSERR_ERROR);
}

// The exact text that tells the host of a failure; "" where a failure is rightly not told
// (the beep, the teardown, which retries). Line operations not listed here may be told by
// their code's number, name or text; wave operations must be listed.
const std::map<std::string, std::string> &OwnTexts() {
  static const std::map<std::string, std::string> texts = {
      {"waveOutOpen #1", "Error: waveOutOpen while QUERY returned: " + WaveText(MMSYSERR_ERROR)},
      {"waveOutOpen #2", WaveOutFailure("waveOutOpen")},
      {"waveOutPrepareHeader", WaveOutFailure("waveOutPrepareHeader")},
      {"waveOutWrite", WaveOutFailure("waveOutWrite")},
      {"waveOutReset", WaveOutFailure("waveOutReset")},
      {"waveOutUnprepareHeader", WaveOutFailure("waveOutUnprepareHeader")},
      {"waveOutClose", WaveOutFailure("waveOutClose")},
      // A buffer the device keeps is lost; the code has no words of its own here.
      {"waveInUnprepareHeader", "Error calling waveInUnprepareHeader msg: "},
      {"lineInitializeExA", "lineInitializeEx Failed."},
      {"lineNegotiateAPIVersion", "lineNegotiateAPIVersion failed"},
      {"lineGetDevCapsA", "The line device's capabilities could not be read"},
      // Opened again to monitor only, the line cannot answer.
      {"lineOpenA", "Error: TkwTAPI::AnswerTheLine failed: LINEERR_NOTOWNER"},
      {"lineSetStatusMessages", "lineSetStatusMessages failed"},
      {"lineGenerateTone", ""},
      {"lineDeallocateCall", ""},
      {"lineClose", ""},
      {"lineShutdown", ""},
      {"mmioOpenA", "Error: mmioOpen failed to open file."},
      {"mmioDescend #2", "Error: Wave file corrupt."},
      {"mmioDescend #3", "Error: mmioDescend: No DATA chunk."},
      {"mmioRead #1", "Error: mmioRead: failed to read FMT chunk."},
      {"mmioRead #2", "Failed to read waveform data subchunk."},
      {"mmioAscend", ""},
      {"mmioClose", ""},
      {"waveInOpen #1", "Unsupported format."},
      {"waveInOpen #2", "Error calling waveInOpen for deviceID: 4"},
      {"waveInPrepareHeader", "Error preparing message header."},
      {"waveInAddBuffer", "Error adding buffer."},
      {"waveInStart", "Error calling waveInStart."},
      // The hang-up stops the device; the reset after the last buffer then finds it stopped.
      {"waveInReset #1", "Error calling waveInStop."},
      {"waveInReset", "Error calling waveInReset."},
      {"waveInClose", "Error calling waveInClose."},
  };
  return texts;
}

const std::string *OwnText(const std::string &operation, int nth) {
  const auto &texts = OwnTexts();
  auto found = texts.find(operation + " #" + std::to_string(nth));
  if (found == texts.end()) found = texts.find(operation);
  return found == texts.end() ? nullptr : &found->second;
}

bool Told(const std::vector<std::string> &texts, const std::string &text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Otherwise a text names the failure by its code: its number, its name or its wave text.
bool ToldTheCode(const std::vector<std::string> &texts, int64_t code) {
  const std::string names[] = {std::to_string(static_cast<LONG>(code)),
                               TapiErrorString(static_cast<LONG>(code)).c_str(),
                               WaveText(static_cast<MMRESULT>(code))};
  return std::any_of(texts.begin(), texts.end(), [&](const std::string &told) {
    return std::any_of(std::begin(names), std::end(names), [&](const std::string &name) {
      return !name.empty() && told.find(name) != std::string::npos;
    });
  });
}

// A run that completed keeps, in its message, what the caller said from the start of the
// recording to the hang-up, sample for sample, and nothing from before.
void ExpectWhatWasSaid(const TOutcome &outcome) {
  if (!outcome.completed) return;
  // The caller hung up a second and a half after the device had started. A run told of a
  // failure (a buffer lost, a stop the device refused) may keep less at either end.
  const bool whole = outcome.texts.empty();
  if (whole) {
    EXPECT_GT(outcome.message.size(), 8000u) << "more than the first buffer";
  }
  const double started = *outcome.deviceStarted;
  const audio_test::Between start = whole ? audio_test::Between{started, outcome.hangUpFrom - 1100}
                                          : audio_test::Between{started, outcome.hangUpFrom};
  const audio_test::Between end = whole ? audio_test::Between{outcome.hangUpFrom, outcome.hangUpTo}
                                        : audio_test::Between{started, outcome.hangUpTo};
  EXPECT_TRUE(
      audio_test::StretchSaidBetween(outcome.message, CallerSpeech(), outcome.saidAt, start, end));
}

class FaultSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    win32::SetTimeScale(component_test::LiveCallerTimeScale(100));
  }
  void TearDown() override {
    sim::Faults().Clear();
    win32::ClearAllocationFaults();
    win32::ClearFileWriteFaults();
    win32::SetTimeScale(1.0);
  }
};

TEST_F(FaultSweep, EveryOperationOfAWholeCallFailsInTurn) {
  const TOutcome clean = RunScenario();
  ASSERT_TRUE(clean.completed) << ::testing::PrintToString(clean.texts);
  ASSERT_FALSE(clean.leftOpen);
  ExpectWhatWasSaid(clean);
  ASSERT_FALSE(clean.operations.empty());

  std::map<std::string, int> seen;
  size_t swept = 0;
  for (const auto &entry : clean.operations) {
    const std::string &operation = entry.call.operation;
    const int nth = ++seen[operation];
    const int64_t code = FailureCode(operation);
    SCOPED_TRACE(operation + " #" + std::to_string(nth));
    const TOutcome outcome = RunScenario([&] { sim::Faults().FailNth(operation, nth, code); });
    ++swept;
    EXPECT_FALSE(outcome.leftOpen);
    ExpectWhatWasSaid(outcome);
    const std::string *own = OwnText(operation, nth);
    if (own == nullptr && operation.rfind("wave", 0) == 0)
      ADD_FAILURE() << "no text listed for this wave failure; told "
                    << ::testing::PrintToString(outcome.texts);
    else if (own == nullptr)
      EXPECT_TRUE(ToldTheCode(outcome.texts, code)) << ::testing::PrintToString(outcome.texts);
    else if (own->empty())
      EXPECT_TRUE(outcome.completed && outcome.texts.empty())
          << ::testing::PrintToString(outcome.texts);
    else
      EXPECT_TRUE(Told(outcome.texts, *own)) << ::testing::PrintToString(outcome.texts);
  }
  sim::Faults().Clear();
  std::printf("fault points swept: %zu\n", swept);
  RecordProperty("FaultPoints", static_cast<int>(swept));
}

// A kind of call counted by the platform's fault plans rather than listed in the journal: how
// to fail its nth call, how many calls a run made, and the texts that tell of its failure.
struct TCountedFault {
  const char *name;
  std::function<void(unsigned)> failNth;
  std::function<unsigned()> calls;
  std::vector<std::string> texts;
};

const std::vector<std::string> &MemoryTexts() {
  static const std::vector<std::string> texts = {
      "Out Of Memory(B) in MALLOC call",
      "Out Of Memory(C) in MALLOC call",
      "Error: TkwTAPI::kwGetCallStatus failed, calloc #1 failed!",
      "Error: Memory issues.",
      "Error: Memory Error.",
      "Error: Memory problems.",
      "Not enough memory.",
      "Not enough memory for a TAPI record of ",
  };
  return texts;
}

std::vector<TCountedFault> CountedFaults() {
  using win32::Allocator;
  std::vector<TCountedFault> faults;
  for (auto [allocator, name] :
       {std::pair{Allocator::Local, "LocalAlloc"}, std::pair{Allocator::Global, "GlobalAlloc"},
        std::pair{Allocator::Heap, "HeapAlloc"}}) {
    faults.push_back({name, [=](unsigned nth) { win32::FailNthAllocation(allocator, nth); },
                      [=] { return win32::AllocationCalls(allocator); }, MemoryTexts()});
  }
  faults.push_back(
      {"WriteFile", win32::FailNthFileWrite, win32::FileWriteCalls, {"Error writing file."}});
  return faults;
}

bool ToldAnyOf(const std::vector<std::string> &told, const std::vector<std::string> &texts) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::string &text) {
    return std::any_of(told.begin(), told.end(),
                       [&](const std::string &one) { return one.find(text) != std::string::npos; });
  });
}

TEST_F(FaultSweep, EveryAllocationAndFileWriteOfAWholeCallFailsInTurn) {
  CORVAX_REQUIRE_ALLOCATION_FAULTS();
  CORVAX_REQUIRE_FILE_WRITE_FAULTS();
  // Far more calls than one call makes: a sweep that never stops is a fault of its own.
  constexpr unsigned kMostCalls = 500;
  size_t swept = 0;
  std::string perKind;
  for (const TCountedFault &fault : CountedFaults()) {
    const size_t before = swept;
    for (unsigned nth = 1;; ++nth) {
      SCOPED_TRACE(std::string(fault.name) + " #" + std::to_string(nth));
      ASSERT_LE(nth, kMostCalls);
      const TOutcome outcome = RunScenario([&] {
        win32::ClearAllocationFaults();
        win32::ClearFileWriteFaults();
        fault.failNth(nth);
      });
      const bool reached = fault.calls() >= nth;
      EXPECT_FALSE(outcome.leftOpen);
      EXPECT_FALSE(outcome.savedFileTorn);
      ExpectWhatWasSaid(outcome);
      if (!reached) {
        EXPECT_TRUE(outcome.completed && outcome.texts.empty())
            << ::testing::PrintToString(outcome.texts);
        break;
      }
      ++swept;
      EXPECT_TRUE(ToldAnyOf(outcome.texts, fault.texts)) << ::testing::PrintToString(outcome.texts);
    }
    // A whole call allocates and writes its message; a count that stays at nothing is broken.
    EXPECT_GT(swept, before) << fault.name << " was never counted";
    perKind += (perKind.empty() ? "" : ", ") + std::to_string(swept - before) + " " + fault.name;
  }
  std::printf("fault points swept: %zu (%s)\n", swept, perKind.c_str());
  RecordProperty("FaultPoints", static_cast<int>(swept));
}

}  // namespace
