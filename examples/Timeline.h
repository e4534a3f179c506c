// The host's account of what happens, one line per event, each stamped with the time since
// the program started (on the platform clock, so a sped-up clock gives the stamps of the
// sped-up time line). Progress lines replace each other in place on a terminal; elsewhere
// (a pipe, a file, a test) each is a line of its own. A host serving several lines gives each
// its own time line on the same output, naming the line on every line it prints; lines from
// different threads never mix within a line.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>

class TTimeline {
 public:
  TTimeline(std::ostream &out, bool inPlace);

  // The same output and starting time, every line after the stamp beginning with "`label`: ".
  // Its progress lines are lines of their own: several lines cannot share one place.
  TTimeline ForLine(const std::string &label) const;

  // "[00:04.250] text"
  void Event(const std::string &text);
  // Replaces the previous progress line on a terminal.
  void Progress(const std::string &text);
  // Plain text with no stamp, e.g. the summary.
  void Say(const std::string &text);

 private:
  TTimeline(std::ostream &out, bool inPlace, DWORD start, std::string prefix);
  void EndProgressLine();
  // Writes under the lock every time line of the program shares.
  void Write(const std::string &line);

  std::ostream &out_;
  const bool inPlace_;
  const DWORD start_;
  const std::string prefix_;
  bool progressOpen_ = false;
};
