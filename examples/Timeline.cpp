#include "examples/Timeline.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex output;

std::string Stamp(DWORD elapsed) {
  char text[32];
  std::snprintf(
      text, sizeof text, "[%02lu:%02lu.%03lu] ", static_cast<unsigned long>(elapsed / 60000),
      static_cast<unsigned long>(elapsed / 1000 % 60), static_cast<unsigned long>(elapsed % 1000));
  return text;
}

}  // namespace

TTimeline::TTimeline(std::ostream &out, bool inPlace)
    : TTimeline(out, inPlace, GetTickCount(), "") {}

TTimeline::TTimeline(std::ostream &out, bool inPlace, DWORD start, std::string prefix)
    : out_(out), inPlace_(inPlace), start_(start), prefix_(std::move(prefix)) {}

TTimeline TTimeline::ForLine(const std::string &label) const {
  return TTimeline(out_, false, start_, label + ": ");
}

void TTimeline::Event(const std::string &text) {
  Write(Stamp(GetTickCount() - start_) + prefix_ + text);
}

void TTimeline::Progress(const std::string &text) {
  const std::string line = Stamp(GetTickCount() - start_) + prefix_ + text;
  if (!inPlace_) return Write(line);
  // Carriage return and erase-to-end-of-line: the new text covers the old one.
  std::lock_guard<std::mutex> hold(output);
  out_ << "\r" << line << "\x1b[K" << std::flush;
  progressOpen_ = true;
}

void TTimeline::Say(const std::string &text) {
  Write(prefix_ + text);
}

void TTimeline::Write(const std::string &line) {
  std::lock_guard<std::mutex> hold(output);
  EndProgressLine();
  out_ << line << std::endl;
}

void TTimeline::EndProgressLine() {
  if (progressOpen_) out_ << "\n";
  progressOpen_ = false;
}
