#include "examples/MessageStore.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <mutex>
#include <sstream>

#include "examples/PhoneOptions.h"

namespace fs = std::filesystem;

namespace {

// Lines served side by side share one folder: a name is taken and an index line written by
// one of them at a time.
std::mutex folderLock;

std::string Stamp(TDateTime time, const char *format) {
  return FormatDateTime(format, time).c_str();
}

// Caller numbers come from the network; only what is safe in a file name is kept.
std::string NumberForFileName(const std::string &number) {
  const bool dialable = !number.empty() && std::all_of(number.begin(), number.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '+';
  });
  return dialable ? number : "unknown";
}

// Tabs and line ends would split the index line.
std::string OneField(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return text;
}

std::string Unwritable(const std::string &folder, const std::string &why) {
  return "cannot write to the messages folder '" + folder + "' (" + why +
         "); choose another one with --messages";
}

}  // namespace

void TMessageStore::CheckWritable() const {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (error) throw TUsageError(Unwritable(folder_, error.message()));
  // Permissions alone do not tell (a read-only mount, another owner), so a file is tried.
  const fs::path probe = fs::path(folder_) / ".corvax-phone-write-test";
  {
    std::ofstream file(probe);
    if (!file) throw TUsageError(Unwritable(folder_, std::strerror(errno)));
  }
  fs::remove(probe, error);
}

std::string TMessageStore::PathOf(const std::string &fileName) const {
  return (fs::path(folder_) / fileName).string();
}

std::string TMessageStore::NewMessageName(TDateTime time, const std::string &callerNumber) const {
  const std::string stem = Stamp(time, "yyyymmdd'-'hhnnss") + "-" + NumberForFileName(callerNumber);
  std::string name = stem + ".wav";
  std::lock_guard<std::mutex> hold(folderLock);
  for (int copy = 2; fs::exists(PathOf(name)); ++copy)
    name = stem + "-" + std::to_string(copy) + ".wav";
  // Taken by an empty file, so that another line's caller of the same second gets the next
  // name; the recording replaces it, and a call without a message removes it.
  std::ofstream(PathOf(name), std::ios::binary);
  return name;
}

bool TMessageStore::AddToIndex(const TMessageEntry &entry) const {
  // Written in one piece: a line interrupted by another line's would corrupt both.
  const std::string line = IndexLine(entry) + "\n";
  std::lock_guard<std::mutex> hold(folderLock);
  std::ofstream index(IndexPath(), std::ios::app);
  index.write(line.data(), static_cast<std::streamsize>(line.size()));
  return static_cast<bool>(index.flush());
}

std::string IndexLine(const TMessageEntry &entry) {
  std::ostringstream line;
  line << Stamp(entry.time, "yyyy'-'mm'-'dd hh':'nn':'ss") << '\t' << OneField(entry.callerName)
       << '\t' << OneField(entry.callerNumber) << '\t' << std::fixed << std::setprecision(1)
       << entry.seconds << '\t' << entry.fileName;
  return line.str();
}
