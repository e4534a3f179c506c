#include "examples/NoticeOnce.h"

TNoticeOnce::TNoticeOnce() {
  previous_ = win32::SetNoticeHandler([this](const std::string &caption, const std::string &text,
                                             UINT style) { Show(caption, text, style); });
}

TNoticeOnce::~TNoticeOnce() {
  win32::SetNoticeHandler(previous_);
}

void TNoticeOnce::Show(const std::string &caption, const std::string &text, UINT style) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (!told_.insert(caption + '\n' + text).second) return;
  }
  previous_(caption, text, style);
}
