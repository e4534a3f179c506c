// The component's message boxes, each text told once for the life of this object: a failure
// that repeats for every buffer of a recording (a full disk) is one line, not one a second.
// The notices pass on to the handler installed before, which is restored at the end.
#pragma once

#include <mutex>
#include <set>
#include <string>

#include "platform/win32/Notice.h"

class TNoticeOnce {
 public:
  TNoticeOnce();
  ~TNoticeOnce();
  TNoticeOnce(const TNoticeOnce &) = delete;
  TNoticeOnce &operator=(const TNoticeOnce &) = delete;

 private:
  // Runs on whichever thread shows the notice (the sound thread among them).
  void Show(const std::string &caption, const std::string &text, UINT style);

  win32::NoticeHandler previous_;
  std::mutex mutex_;
  std::set<std::string> told_;
};
