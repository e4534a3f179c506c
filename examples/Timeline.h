// The host's account of what happens, one line per event, each stamped with the time since
// the program started (on the platform clock, so a sped-up clock gives the stamps of the
// sped-up time line). Progress lines replace each other in place on a terminal; elsewhere
// (a pipe, a file, a test) each is a line of its own.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>

class TTimeline {
 public:
  TTimeline(std::ostream &out, bool inPlace);

  // "[00:04.250] text"
  void Event(const std::string &text);
  // Replaces the previous progress line on a terminal.
  void Progress(const std::string &text);
  // Plain text with no stamp, e.g. the summary.
  void Say(const std::string &text);

 private:
  void EndProgressLine();

  std::ostream &out_;
  const bool inPlace_;
  const DWORD start_;
  bool progressOpen_ = false;
};
