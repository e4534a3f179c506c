// The time line: stamped events, and progress in place on a terminal, a line each elsewhere.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

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

}  // namespace
