// The time line: stamped events, and progress in place on a terminal, a line each elsewhere.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "examples/Timeline.h"

namespace {

TEST(Timeline, StampsEachEventWithTheTimeSinceTheStart) {
  std::ostringstream out;
  TTimeline timeline(out, false);
  timeline.Event("ring 1");
  timeline.Say("Summary");
  EXPECT_TRUE(std::regex_match(out.str(), std::regex(R"(\[00:00\.\d{3}\] ring 1\nSummary\n)")))
      << out.str();
}

TEST(Timeline, ProgressIsALineEachWithoutATerminal) {
  std::ostringstream out;
  TTimeline timeline(out, false);
  timeline.Progress("recording: 1 s");
  timeline.Progress("recording: 2 s");
  timeline.Event("saved");
  EXPECT_TRUE(std::regex_match(out.str(), std::regex(R"(\[[^\]]+\] recording: 1 s\n)"
                                                     R"(\[[^\]]+\] recording: 2 s\n)"
                                                     R"(\[[^\]]+\] saved\n)")))
      << out.str();
}

TEST(Timeline, ProgressReplacesItselfOnATerminalUntilTheNextLine) {
  std::ostringstream out;
  TTimeline timeline(out, true);
  timeline.Progress("recording: 1 s");
  timeline.Progress("recording: 2 s");
  timeline.Event("saved");
  timeline.Say("done");
  EXPECT_TRUE(std::regex_match(out.str(), std::regex("\r\\[[^\\]]+\\] recording: 1 s\x1b\\[K"
                                                     "\r\\[[^\\]]+\\] recording: 2 s\x1b\\[K\n"
                                                     "\\[[^\\]]+\\] saved\ndone\n")))
      << out.str();
}

TEST(Timeline, ALinesTimeLineNamesItOnEveryLine) {
  std::ostringstream out;
  TTimeline timeline(out, true);
  TTimeline line = timeline.ForLine("line 2");
  line.Event("ring 1");
  line.Progress("recording: 1 s");
  line.Say("saved");
  // Progress on a terminal is a line of its own too: lines cannot share one place.
  EXPECT_TRUE(std::regex_match(out.str(), std::regex(R"(\[00:00\.\d{3}\] line 2: ring 1\n)"
                                                     R"(\[00:00\.\d{3}\] line 2: recording: 1 s\n)"
                                                     R"(line 2: saved\n)")))
      << out.str();
}

TEST(Timeline, LinesWritingAtOnceNeverMixWithinALine) {
  std::ostringstream out;
  TTimeline timeline(out, false);
  constexpr int kLines = 6, kEvents = 200;
  std::vector<std::thread> lines;
  for (int line = 0; line < kLines; ++line) {
    lines.emplace_back([&, line] {
      TTimeline own = timeline.ForLine("line " + std::to_string(line));
      for (int event = 0; event < kEvents; ++event)
        own.Event("event " + std::to_string(event) + " of line " + std::to_string(line));
    });
  }
  for (auto &line : lines) line.join();
  std::istringstream in(out.str());
  const std::regex whole(R"(\[[^\]]+\] line (\d): event \d+ of line (\d))");
  int count = 0;
  for (std::string text; std::getline(in, text); ++count) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, whole)) << text;
    EXPECT_EQ(match[1], match[2]) << text;
  }
  EXPECT_EQ(count, kLines * kEvents);
}

}  // namespace
