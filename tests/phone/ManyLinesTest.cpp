// corvax-phone answering several lines at once, in process on the simulated exchange: each
// line takes its own caller at the same time as the others, into one messages folder; a
// handler that throws ends only its line, which the supervisor starts again; Ctrl-C ends
// every line; lines that cannot be served are told and the others served.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "Clock.h"
#include "examples/AnsweringMachine.h"
#include "examples/CallEvents.h"
#include "examples/DemoExchange.h"
#include "examples/Interrupt.h"
#include "examples/LineSession.h"
#include "examples/LineSupervisor.h"
#include "examples/MessageStore.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Operation.h"
#include "simulator/Selection.h"
#include "tests/component/TestSupport.h"
#include "tests/phone/PhoneHost.h"
#include "tests/support/AudioSignals.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 8000;
constexpr DWORD kReactionMs = 4000;

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Bounded: a program that never gets there fails the test, and Ctrl-C ends it.
bool Await(const std::function<bool()> &done, const std::string &what) {
  if (phone_test::WaitUntil(done, what)) return true;
  PressCtrlC();
  return false;
}

bool LinesTakingCalls(const std::vector<DWORD> &lines) {
  for (const DWORD line : lines)
    if (sim::TheExchange().OpenLineCount(line) == 0) return false;
  return sim::OperationJournal().Count("lineSetStatusMessages") >= lines.size();
}

// A caller who rings `line` until answered, says `speech` after the beep and falls silent.
class TCaller {
 public:
  TCaller(DWORD line, std::string number, std::vector<int16_t> speech)
      : line_(line), number_(std::move(number)), speech_(std::move(speech)) {}

  void Call() {
    sim::Exchange &exchange = sim::TheExchange();
    call_ = exchange.OfferCall(line_, {.caller = {"Caller", number_}});
    // A quiet line until the caller speaks: digital silence would end the recording at once.
    sim::Audio().Send(*exchange.WaveInId(line_), sim::ToneSound(250, 300, 300));
    // Seconds after the beep: a busy machine may start its recorder late on a sped-up clock,
    // and a caller is heard only once it has.
    exchange.SayAfterBeep(call_, speech_, kReactionMs);
  }
  // One ring more while the call is offered; true once it is not.
  bool RingOnce() {
    if (sim::TheExchange().CallState(call_) != LINECALLSTATE_OFFERING) return true;
    sim::TheExchange().Ring(line_, ++rings_);
    // The caller ID follows the first ring, as on a telephone line.
    if (rings_ == 1) sim::TheExchange().SetCallerId(call_, {"Caller", number_});
    return false;
  }
  bool Idle() const { return sim::TheExchange().CallState(call_) == LINECALLSTATE_IDLE; }
  const std::vector<int16_t> &Speech() const { return speech_; }
  const std::string &Number() const { return number_; }
  sim::CallId Id() const { return call_; }

 private:
  DWORD line_;
  std::string number_;
  std::vector<int16_t> speech_;
  sim::CallId call_ = 0;
  DWORD rings_ = 0;
};

// The callers ring their lines at the same time, until each is answered, and stay on until
// each call is over.
void CallTogether(std::vector<TCaller> &callers) {
  for (TCaller &caller : callers) caller.Call();
  Await(
      [&] {
        bool answered = true;
        for (TCaller &caller : callers) answered = caller.RingOnce() && answered;
        Sleep(100);
        return answered;
      },
      "every line to answer");
  Await(
      [&] {
        for (const TCaller &caller : callers)
          if (!caller.Idle()) return false;
        return true;
      },
      "every call to end");
}

// Each saved message holds its own caller's speech, and the index names each file once.
void ExpectMessagesOf(const std::vector<TCaller> &callers, const std::string &folder) {
  const auto files = phone_test::WaveFilesIn(folder);
  ASSERT_EQ(files.size(), callers.size());
  for (const TCaller &caller : callers) {
    int found = 0;
    for (const fs::path &file : files) {
      if (file.filename().string().find(caller.Number()) == std::string::npos) continue;
      ++found;
      EXPECT_TRUE(audio_test::Find(audio_test::ReadWave(file), caller.Speech()))
          << file << " holds what " << caller.Number() << " said";
    }
    EXPECT_EQ(found, 1) << caller.Number();
  }
  const auto index = Lines(component_test::ReadFile(fs::path(folder) / "index.txt"));
  EXPECT_EQ(index.size(), callers.size());
  std::set<std::string> named;
  for (const std::string &line : index) named.insert(line.substr(line.rfind('\t') + 1));
  EXPECT_EQ(named.size(), callers.size());
}

// Every stamped line of the run names its line (Ctrl-C is the program's, not a line's).
void ExpectEveryLineNamed(const std::string &shown) {
  const std::regex named(R"(\[\d\d:\d\d\.\d{3}\] (line \d+: .*|Ctrl-C: stopping))");
  for (const std::string &line : Lines(shown)) {
    if (!line.empty() && line[0] == '[') {
      EXPECT_TRUE(std::regex_match(line, named)) << line;
    }
  }
}

class ManyLines : public phone_test::PhoneHost {
 protected:
  void SetUp() override { win32::SetTimeScale(10); }
  void TearDown() override { win32::SetTimeScale(1.0); }
};

TEST_F(ManyLines, EachLineTakesItsOwnCallerAtTheSameTimeIntoOneFolder) {
  std::vector<TCaller> callers{{0, "5550170", audio_test::Sweep(300, 900, 2)},
                               {1, "5550171", audio_test::Sweep(1500, 2100, 2)}};
  std::thread farEnd([&] {
    if (Await([] { return LinesTakingCalls({0, 1}); }, "two lines to take calls"))
      CallTogether(callers);
  });
  const int status =
      Run({"answer", "--device", "all", "--rings", "1", "--calls", "1", "--messages", Messages()});
  farEnd.join();
  EXPECT_EQ(status, 0) << err_.str();
  // The demo's third line reports its strings in Unicode, which the component cannot read.
  const std::string refused =
      "cannot open line device 2: The line device's capabilities could not be read";
  EXPECT_EQ(err_.str(), "corvax-phone: " + refused + "\n");
  ExpectMessagesOf(callers, Messages());
  const std::string shown = out_.str();
  EXPECT_NE(shown.find("line 2: Not serving line 2: " + refused), std::string::npos) << shown;
  ExpectEveryLineNamed(shown);
  for (const char *line : {"line 0: ", "line 1: "})
    EXPECT_NE(shown.find(std::string(line) + "Recording ended (the caller fell silent)"),
              std::string::npos)
        << line;
  EXPECT_NE(shown.find("Summary: 2 call(s), 2 message(s) saved"), std::string::npos);
  for (const DWORD line : {0u, 1u, 2u}) EXPECT_EQ(sim::TheExchange().OpenLineCount(line), 0u);
  ExpectLineClosed();
}

TEST_F(ManyLines, CtrlCEndsEveryLineAndKeepsEachPartialMessage) {
  // Both talk from the moment they call, through the greeting and on.
  const auto first = audio_test::Sweep(300, 3000, 60), second = audio_test::Sweep(3000, 300, 60);
  std::thread farEnd([&] {
    if (!Await([] { return LinesTakingCalls({0, 1}); }, "two lines to take calls")) return;
    sim::Exchange &exchange = sim::TheExchange();
    const sim::CallId calls[] = {exchange.OfferCall(0, {.caller = {"Ida", "5550180"}}),
                                 exchange.OfferCall(1, {.caller = {"Jon", "5550181"}})};
    sim::Audio().Send(*exchange.WaveInId(0), first);
    sim::Audio().Send(*exchange.WaveInId(1), second);
    exchange.Ring(0, 1);
    exchange.Ring(1, 1);
    exchange.SetCallerId(calls[0], {"Ida", "5550180"});
    exchange.SetCallerId(calls[1], {"Jon", "5550181"});
    const bool recording = Await(
        [&] {
          const auto files = phone_test::WaveFilesIn(Messages());
          if (files.size() < 2) return false;
          for (const fs::path &file : files)
            if (fs::file_size(file) < 46 + 2 * kRate) return false;
          return true;
        },
        "a second of both messages on disk");
    if (!recording) return;
    PressCtrlC();
    Await(
        [&] {
          return exchange.CallState(calls[0]) == LINECALLSTATE_IDLE &&
                 exchange.CallState(calls[1]) == LINECALLSTATE_IDLE;
        },
        "both calls to end");
  });
  const int status = Run({"answer", "--device", "0,1", "--rings", "1", "--messages", Messages()});
  farEnd.join();
  EXPECT_EQ(status, 130) << err_.str();
  const auto files = phone_test::WaveFilesIn(Messages());
  ASSERT_EQ(files.size(), 2u) << out_.str();
  for (const fs::path &file : files) {
    const auto message = audio_test::ReadWave(file);
    const auto &said =
        file.filename().string().find("5550180") != std::string::npos ? first : second;
    EXPECT_GE(message.size(), size_t{kRate});
    EXPECT_TRUE(audio_test::Find(said, message)) << file << " is its own caller's sound";
  }
  EXPECT_EQ(Lines(component_test::ReadFile(fs::path(Messages()) / "index.txt")).size(), 2u);
  const std::string shown = out_.str();
  ExpectEveryLineNamed(shown);
  EXPECT_NE(shown.find("line 0: Recording ended (Ctrl-C stopped the recording)"),
            std::string::npos);
  EXPECT_NE(shown.find("line 1: Recording ended (Ctrl-C stopped the recording)"),
            std::string::npos);
  ExpectLineClosed();
  EXPECT_EQ(sim::TheExchange().OpenLineCount(1), 0u);
}

TEST_F(ManyLines, ALineThatCannotBeServedIsToldAndTheOthersServed) {
  std::vector<TCaller> callers{{0, "5550190", audio_test::Sweep(500, 1500, 1)}};
  std::thread farEnd([&] {
    if (Await([] { return LinesTakingCalls({0}); }, "line 0 to take calls")) CallTogether(callers);
  });
  const int status =
      Run({"answer", "--device", "0,7", "--rings", "1", "--calls", "1", "--messages", Messages()});
  farEnd.join();
  EXPECT_EQ(status, 0) << err_.str();
  EXPECT_EQ(err_.str(),
            "corvax-phone: line device 7 does not exist (there are 3, numbered 0 to 2); list "
            "them with: corvax-phone devices\n");
  EXPECT_NE(out_.str().find("line 7: Not serving line 7: line device 7 does not exist"),
            std::string::npos)
      << out_.str();
  ExpectMessagesOf(callers, Messages());
  ExpectLineClosed();
}

struct TUnservable {
  std::string devices;
  std::string errors;
};

class ManyLinesNoneServed : public ManyLines, public ::testing::WithParamInterface<TUnservable> {};

TEST_P(ManyLinesNoneServed, IsBadInputWithALineForEach) {
  EXPECT_EQ(Run({"answer", "--device", GetParam().devices, "--messages", Messages()}), 2);
  // The lines are tried side by side: their errors come in either order.
  auto sorted = [](const std::string &text) {
    auto lines = Lines(text);
    std::sort(lines.begin(), lines.end());
    return lines;
  };
  EXPECT_EQ(sorted(err_.str()), sorted(GetParam().errors));
  EXPECT_EQ(out_.str().find("Summary"), std::string::npos);
  ExpectLineClosed();
}

INSTANTIATE_TEST_SUITE_P(
    BadLines, ManyLinesNoneServed,
    ::testing::Values(
        TUnservable{"5,7",
                    "corvax-phone: line device 5 does not exist (there are 3, numbered 0 to 2); "
                    "list them with: corvax-phone devices\n"
                    "corvax-phone: line device 7 does not exist (there are 3, numbered 0 to 2); "
                    "list them with: corvax-phone devices\n"},
        // Line 2 cannot be opened, as one that another application holds.
        TUnservable{"2,9",
                    "corvax-phone: cannot open line device 2: The line device's capabilities "
                    "could not be read\n"
                    "corvax-phone: line device 9 does not exist (there are 3, numbered 0 to 2); "
                    "list them with: corvax-phone devices\n"}));

// The supervisor itself, with the answering machine's own parts on each line.
class LineSupervision : public ManyLines {
 protected:
  void SetUp() override {
    // Slower than the runs above: the supervisor's two seconds are half a real one.
    win32::SetTimeScale(4);
    Application->Initialize();
    demo::SetUpExchange();
    sim::UseSimulatedExchange();
    sim::OperationJournal().Clear();
    options_.rings = 1;
    options_.calls = 1;
    options_.greeting = CORVAX_SPEECH_DIR "/greeting.wav";
    options_.messages = Messages();
    TMessageStore(Messages()).CheckWritable();
  }

  // One line's work as corvax-phone's, but with `extra` run once the line's handlers are set.
  void Serve(TLineContext &line,
             const std::function<void(TLineContext &, TkwTAPI &, TCallEvents &)> &extra) {
    TkwTAPI tapi(nullptr);
    TCallEvents events(tapi, line.Timeline());
    TAnsweringMachine machine(tapi, events, line.Timeline(), options_);
    extra(line, tapi, events);
    TLineSession session(tapi, events, line.Device(), false);
    line.Serving();
    machine.Run();
    std::lock_guard<std::mutex> hold(lock_);
    messages_ += static_cast<int>(machine.Messages().size());
  }

  TPhoneOptions options_;
  std::mutex lock_;
  int messages_ = 0;
};

// The stamp of the first line of `shown` that holds `text`, in ms; -1 when none does.
long StampOf(const std::string &shown, const std::string &text) {
  for (const std::string &line : Lines(shown)) {
    if (line.find(text) == std::string::npos) continue;
    std::smatch stamp;
    if (!std::regex_search(line, stamp, std::regex(R"(\[(\d\d):(\d\d)\.(\d{3})\])"))) return -1;
    return std::stol(stamp[1]) * 60000 + std::stol(stamp[2]) * 1000 + std::stol(stamp[3]);
  }
  return -1;
}

TEST_F(LineSupervision, AHandlerThatThrowsEndsOnlyItsLineWhichIsStartedAgain) {
  TTimeline timeline(out_, false);
  std::atomic<int> line1Starts{0};
  TLineSupervisor lines(
      timeline,
      [&](TLineContext &line) {
        Serve(line, [&](TLineContext &context, TkwTAPI &tapi, TCallEvents &events) {
          if (context.Device() != 1) return;
          ++line1Starts;
          // Line 1's first ring throws, the first time the line is served.
          if (context.Start() == 1)
            events.Handle(tapi.OnCallRingEvent, [](int, const HCALL &) {
              throw std::runtime_error("the ring handler failed");
            });
        });
      },
      [](DWORD, const std::exception_ptr &) { ADD_FAILURE() << "a line was refused"; });
  std::vector<TCaller> others{{0, "5550200", audio_test::Sweep(400, 1000, 1)}};
  std::vector<TCaller> again{{1, "5550201", audio_test::Sweep(2400, 3000, 1)}};
  std::thread farEnd([&] {
    if (!Await([] { return LinesTakingCalls({0, 1}); }, "two lines to take calls")) return;
    // Line 1's first caller rings into the failing handler: the line goes, its call with it.
    TCaller doomed(1, "5550210", {});
    doomed.Call();
    doomed.RingOnce();
    if (!Await([&] { return doomed.Idle(); }, "line 1's first call to end")) return;
    std::thread otherLines([&] { CallTogether(others); });
    if (Await([&] { return line1Starts == 2 && sim::TheExchange().OpenLineCount(1) > 0; },
              "line 1 to be served again"))
      CallTogether(again);
    otherLines.join();
  });
  lines.Run({0, 1});
  farEnd.join();

  const std::string shown = out_.str();
  const long died = StampOf(shown,
                            "line 1: The line stopped on an error (the ring handler failed)"
                            "; starting it again");
  const long restarted = StampOf(shown, "line 1: Starting the line again");
  ASSERT_GE(died, 0) << shown;
  ASSERT_GE(restarted, died) << shown;
  EXPECT_LE(restarted - died, 2000) << "started again within two seconds";
  EXPECT_EQ(lines.LinesServed(), 2);
  EXPECT_EQ(messages_, 2) << shown;
  others.insert(others.end(), again.begin(), again.end());
  ExpectMessagesOf(others, Messages());
  ExpectEveryLineNamed(shown);
  EXPECT_EQ(StampOf(shown, "line 0: The line stopped"), -1);
  ExpectLineClosed();
}

}  // namespace
