#include "platform/win32/Notice.h"

#include <mutex>

namespace win32 {
namespace {

class Notices {
 public:
  NoticeHandler Replace(NoticeHandler handler) {
    if (!handler) handler = detail::SystemNotice;
    std::lock_guard<std::mutex> hold(lock_);
    std::swap(handler, handler_);
    return handler;
  }
  NoticeHandler Current() {
    std::lock_guard<std::mutex> hold(lock_);
    return handler_;
  }

 private:
  std::mutex lock_;
  NoticeHandler handler_ = detail::SystemNotice;
};

Notices &TheNotices() {
  static auto *notices = new Notices;
  return *notices;
}

}  // namespace

NoticeHandler SetNoticeHandler(NoticeHandler handler) {
  return TheNotices().Replace(std::move(handler));
}

// The handler runs outside the lock, so it may show a notice or replace itself.
void ShowNotice(const std::string &caption, const std::string &text, UINT style) {
  TheNotices().Current()(caption, text, style);
}

}  // namespace win32
