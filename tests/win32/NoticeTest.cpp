#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/Notice.h"

namespace {

struct Notice {
  std::string caption;
  std::string text;
  UINT style;
};

class Notices : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = win32::SetNoticeHandler(
        [this](const std::string &caption, const std::string &text, UINT style) {
          std::lock_guard<std::mutex> hold(lock_);
          shown_.push_back({caption, text, style});
        });
  }
  void TearDown() override { win32::SetNoticeHandler(previous_); }

  std::vector<Notice> Shown() {
    std::lock_guard<std::mutex> hold(lock_);
    return shown_;
  }

  win32::NoticeHandler previous_;
  std::mutex lock_;
  std::vector<Notice> shown_;
};

TEST_F(Notices, MessageBoxEndsInTheHandler) {
  EXPECT_EQ(MessageBoxA(0, "Not enough memory.", "", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(0, "boom", nullptr, MB_OK | MB_ICONERROR | MB_TASKMODAL), IDOK);
  auto shown = Shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "");
  EXPECT_EQ(shown[0].text, "Not enough memory.");
  EXPECT_EQ(shown[1].caption, "Error");
  EXPECT_EQ(shown[1].style, static_cast<UINT>(MB_ICONERROR | MB_TASKMODAL));
}

TEST_F(Notices, BoxesFromWorkerThreadsAreCaptured) {
  std::vector<std::thread> workers;
  for (int i = 0; i < 4; ++i) {
    workers.emplace_back([] { MessageBoxA(0, "from a worker", "ERROR", MB_OK); });
  }
  for (auto &worker : workers) worker.join();
  auto shown = Shown();
  ASSERT_EQ(shown.size(), 4u);
  for (const auto &notice : shown) EXPECT_EQ(notice.caption + notice.text, "ERRORfrom a worker");
}

TEST_F(Notices, SetterReturnsTheHandlerItReplaces) {
  int calls = 0;
  auto mine = win32::SetNoticeHandler(
      [&calls](const std::string &, const std::string &, UINT) { ++calls; });
  ASSERT_TRUE(mine);
  auto counting = win32::SetNoticeHandler(mine);
  MessageBoxA(0, "to the fixture", "", MB_OK);
  counting("", "direct", 0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Shown().size(), 1u);
}

TEST_F(Notices, DefaultHandlerWritesOneLineToStandardError) {
  auto fixture = win32::SetNoticeHandler(nullptr);
  ::testing::internal::CaptureStderr();
  MessageBoxA(0, "line text", "ERROR", MB_OK);
  std::string written = ::testing::internal::GetCapturedStderr();
  win32::SetNoticeHandler(fixture);
  EXPECT_EQ(written, "[ERROR] line text\n");
}

}  // namespace
