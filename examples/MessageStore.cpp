#include "examples/MessageStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

std::vector<TMessageEntry> TMessageStore::ReadIndex() const {
  std::vector<TMessageEntry> entries;
  std::lock_guard<std::mutex> hold(folderLock);
  std::ifstream index(IndexPath());
  for (std::string line; std::getline(index, line);)
    if (const auto entry = ParseIndexLine(line)) entries.push_back(*entry);
  return entries;
}

bool TMessageStore::Remove(const TMessageEntry &entry) const {
  std::lock_guard<std::mutex> hold(folderLock);
  std::string kept;
  {
    std::ifstream index(IndexPath());
    for (std::string line; std::getline(index, line);) {
      const auto listed = ParseIndexLine(line);
      if (!listed || listed->fileName != entry.fileName) kept += line + "\n";
    }
  }
  const std::string replacement = IndexPath() + ".new";
  {
    std::ofstream index(replacement, std::ios::trunc);
    index.write(kept.data(), static_cast<std::streamsize>(kept.size()));
    if (!index.flush()) return false;
  }
  std::error_code error;
  fs::rename(replacement, IndexPath(), error);
  if (error) return false;
  fs::remove(PathOf(entry.fileName), error);
  return true;
}

std::optional<TMessageEntry> ParseIndexLine(const std::string &line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (fields.size() != 5 || std::sscanf(fields[0].c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &year, &month,
                                        &day, &hour, &minute, &second) != 6)
    return std::nullopt;
  TMessageEntry entry{0, fields[1], fields[2], std::atof(fields[3].c_str()), fields[4]};
  // A name that leaves the folder is nothing the machine wrote.
  if (entry.fileName.empty() || entry.fileName.find('/') != std::string::npos ||
      entry.fileName.find('\\') != std::string::npos)
    return std::nullopt;
  try {
    entry.time = EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
  } catch (const EConvertError &) {
    return std::nullopt;
  }
  return entry;
}

std::string IndexLine(const TMessageEntry &entry) {
  std::ostringstream line;
  line << Stamp(entry.time, "yyyy'-'mm'-'dd hh':'nn':'ss") << '\t' << OneField(entry.callerName)
       << '\t' << OneField(entry.callerNumber) << '\t' << std::fixed << std::setprecision(1)
       << entry.seconds << '\t' << entry.fileName;
  return line.str();
}
