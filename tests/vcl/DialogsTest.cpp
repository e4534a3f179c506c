#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <vcl.h>
#include <windows.h>

#include "platform/win32/Notice.h"

TEST(ShowMessage, EndsInTheNoticeHandlerWithAnOkBox) {
  struct TNotice {
    std::string caption, text;
    UINT style;
  };
  std::vector<TNotice> notices;
  auto previous =
      win32::SetNoticeHandler([&](const std::string &caption, const std::string &text, UINT style) {
        notices.push_back({caption, text, style});
      });
  ShowMessage("Line opened on device " + IntToStr(0xFFFFFFFFu));
  win32::SetNoticeHandler(previous);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].caption, "");
  EXPECT_EQ(notices[0].text, "Line opened on device 4294967295");
  EXPECT_EQ(notices[0].style, static_cast<UINT>(MB_OK));
}
