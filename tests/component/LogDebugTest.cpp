#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "component/Kwtapi.h"
#include "component/KwtapiLogFile.h"
#include "tests/component/TestSupport.h"

namespace {

using namespace component_test;

const std::string kStamp = "2002/05/17 14:03:09";

// Records every open of the log and lets the first `failures` of them fail.
class TOpenRecorder {
 public:
  explicit TOpenRecorder(int failures = 0) : failures_(failures) {
    previous_ = SetLogFileOpen(
        [this](std::ofstream &stream, const std::string &path, std::ios::openmode mode) {
          modes_.push_back(mode);
          if (static_cast<int>(modes_.size()) <= failures_) {
            if (beforeFailing_) beforeFailing_();
            return;
          }
          OpenLogFile(stream, path, mode);
        });
  }
  ~TOpenRecorder() { SetLogFileOpen(previous_); }

  const std::vector<std::ios::openmode> &Modes() const { return modes_; }
  void BeforeFailing(std::function<void()> action) { beforeFailing_ = std::move(action); }

 private:
  int failures_;
  std::vector<std::ios::openmode> modes_;
  std::function<void()> beforeFailing_;
  TLogFileOpen previous_;
};

class LogDebugTest : public ::testing::Test {
 protected:
  LogDebugTest() : component(nullptr) {}

  AnsiString LogPath(const std::string &name = "debug.log") {
    return AnsiString(folder.Path(name).string().c_str());
  }

  TNoticeCapture boxes;
  TFastClock fastClock;
  TFixedNow fixedNow;
  TScratchFolder folder;
  TkwTAPI component;
};

TEST_F(LogDebugTest, EmptyPathTouchesNothing) {
  TOpenRecorder opens;
  component.LogDebug("START of [TkwTAPI::OpenDevice]");
  EXPECT_TRUE(opens.Modes().empty());
  EXPECT_TRUE(boxes.Notices().empty());
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path("")));
}

TEST_F(LogDebugTest, CreatesAMissingFileWithOneStampedLine) {
  component.DebugLogFile = LogPath();
  component.LogDebug("START of [TkwTAPI::OpenDevice]");
  EXPECT_EQ(ReadFile(folder.Path("debug.log")),
            "START of [TkwTAPI::OpenDevice] - " + kStamp + "\n");
  EXPECT_TRUE(boxes.Notices().empty());
}

TEST_F(LogDebugTest, AppendsToEarlierContentInCallOrder) {
  std::ofstream(folder.Path("debug.log")) << "earlier line\n";
  component.DebugLogFile = LogPath();
  component.LogDebug("first");
  component.LogDebug("second");
  EXPECT_EQ(ReadFile(folder.Path("debug.log")),
            "earlier line\nfirst - " + kStamp + "\nsecond - " + kStamp + "\n");
}

TEST_F(LogDebugTest, EmptyMessageIsJustTheSeparatorAndStamp) {
  component.DebugLogFile = LogPath();
  component.LogDebug("");
  EXPECT_EQ(ReadFile(folder.Path("debug.log")), " - " + kStamp + "\n");
}

TEST_F(LogDebugTest, MessageIsWrittenUpToItsFirstNulAndLineBreaksStay) {
  component.DebugLogFile = LogPath();
  component.LogDebug(AnsiString("kept\nnext\0dropped", 17));
  EXPECT_EQ(ReadFile(folder.Path("debug.log")), "kept\nnext - " + kStamp + "\n");
}

TEST_F(LogDebugTest, StampUsesTheLocaleSeparators) {
  const char date = DateSeparator.exchange('-');
  const char time = TimeSeparator.exchange('.');
  component.DebugLogFile = LogPath();
  component.LogDebug("line");
  DateSeparator = date;
  TimeSeparator = time;
  EXPECT_EQ(ReadFile(folder.Path("debug.log")), "line - 2002-05-17 14.03.09\n");
}

TEST_F(LogDebugTest, MissingFolderFailsAfterFiveAttemptsWithTheBox) {
  TOpenRecorder opens;
  component.DebugLogFile = LogPath("no-such-folder/debug.log");
  component.LogDebug("START of [TkwTAPI::OpenDevice]");
  EXPECT_EQ(opens.Modes().size(), 5u);
  const std::vector<TNotice> notices = boxes.Notices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].caption, "ERROR");
  EXPECT_EQ(notices[0].text,
            "Probem Detected in [TkwTAPI::LogDebug], msg: Max log attempts exceeded for msg: "
            "START of [TkwTAPI::OpenDevice]");
  EXPECT_EQ(notices[0].style, static_cast<UINT>(MB_OK));
  EXPECT_FALSE(std::filesystem::exists(folder.Path("no-such-folder")));
}

TEST_F(LogDebugTest, AFailedCallDoesNotSwitchLoggingOff) {
  {
    TOpenRecorder opens(5);
    component.DebugLogFile = LogPath();
    component.LogDebug("lost");
  }
  component.LogDebug("kept");
  EXPECT_EQ(boxes.Notices().size(), 1u);
  EXPECT_EQ(ReadFile(folder.Path("debug.log")), "kept - " + kStamp + "\n");
}

TEST_F(LogDebugTest, OpensAtTheFifthAttemptWithoutABox) {
  TOpenRecorder opens(4);
  component.DebugLogFile = LogPath();
  component.LogDebug("late line");
  EXPECT_EQ(opens.Modes().size(), 5u);
  EXPECT_TRUE(boxes.Notices().empty());
  EXPECT_EQ(ReadFile(folder.Path("debug.log")), "late line - " + kStamp + "\n");
}

TEST_F(LogDebugTest, EveryAttemptLooksAgainWhetherTheFileExists) {
  TOpenRecorder opens(1);
  opens.BeforeFailing([this] { std::ofstream(folder.Path("debug.log")) << "written meanwhile\n"; });
  component.DebugLogFile = LogPath();
  component.LogDebug("line");
  ASSERT_EQ(opens.Modes().size(), 2u);
  EXPECT_TRUE(opens.Modes()[0] & std::ios::trunc);
  EXPECT_TRUE(opens.Modes()[1] & std::ios::app);
  EXPECT_EQ(ReadFile(folder.Path("debug.log")), "written meanwhile\nline - " + kStamp + "\n");
}

TEST_F(LogDebugTest, TapiCheckLogsTheTextOfAFailedCode) {
  component.DebugLogFile = LogPath();
  component.TapiCheck(0);
  component.TapiCheck(0x10);
  component.TapiCheck(LINEERR_BADDEVICEID);
  component.TapiCheck(static_cast<int>(0x80000004));
  component.TapiCheck(static_cast<int>(0x80000000));
  component.TapiCheck(static_cast<int>(0x80000057));
  component.TapiCheck(static_cast<int>(0x90000001));
  EXPECT_EQ(ReadFile(folder.Path("debug.log")),
            "In [TkwTAPI::TapiCheck] TAPI Line: LINEERR_BADDEVICEID - " + kStamp +
                "\nIn [TkwTAPI::TapiCheck] Unknown Error - -2147483644 - " + kStamp +
                "\nIn [TkwTAPI::TapiCheck] Unknown Error - -2147483648 - " + kStamp +
                "\nIn [TkwTAPI::TapiCheck] Unknown Error - -2147483561 - " + kStamp +
                "\nIn [TkwTAPI::TapiCheck] Unknown Error - -1879048191 - " + kStamp + "\n");
}

}  // namespace
