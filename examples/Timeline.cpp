#include "examples/Timeline.h"

#include <cstdio>

namespace {

std::string Stamp(DWORD elapsed) {
  char text[32];
  std::snprintf(
      text, sizeof text, "[%02lu:%02lu.%03lu] ", static_cast<unsigned long>(elapsed / 60000),
      static_cast<unsigned long>(elapsed / 1000 % 60), static_cast<unsigned long>(elapsed % 1000));
  return text;
}

}  // namespace

TTimeline::TTimeline(std::ostream &out, bool inPlace)
    : out_(out), inPlace_(inPlace), start_(GetTickCount()) {}

void TTimeline::Event(const std::string &text) {
  EndProgressLine();
  out_ << Stamp(GetTickCount() - start_) << text << std::endl;
}

void TTimeline::Progress(const std::string &text) {
  const std::string line = Stamp(GetTickCount() - start_) + text;
  if (!inPlace_) {
    out_ << line << std::endl;
    return;
  }
  // Carriage return and erase-to-end-of-line: the new text covers the old one.
  out_ << "\r" << line << "\x1b[K" << std::flush;
  progressOpen_ = true;
}

void TTimeline::Say(const std::string &text) {
  EndProgressLine();
  out_ << text << std::endl;
}

void TTimeline::EndProgressLine() {
  if (progressOpen_) out_ << "\n";
  progressOpen_ = false;
}
