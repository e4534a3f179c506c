// The messages folder of the answering machine: one WAV file per message, named by the time
// of the call and the caller's number, and an index file with one line per message.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <vcl.h>

// One line of the index, tab-separated in this order.
struct TMessageEntry {
  TDateTime time;  // local time of the call
  std::string callerName;
  std::string callerNumber;
  double seconds = 0;
  std::string fileName;  // within the folder
};

class TMessageStore {
 public:
  static constexpr const char *kIndexName = "index.txt";

  explicit TMessageStore(std::string folder) : folder_(std::move(folder)) {}

  // Creates the folder when missing and makes sure files can be written there; throws
  // TUsageError saying what is wrong otherwise.
  void CheckWritable() const;
  const std::string &Folder() const { return folder_; }
  std::string PathOf(const std::string &fileName) const;
  std::string IndexPath() const { return PathOf(kIndexName); }

  // "20261209-054012-5550142.wav"; a number made of anything but digits and + becomes
  // "unknown", and a name already taken gets "-2", "-3"... The name is taken at once (by an
  // empty file), so that lines served side by side never get the same one. Thread-safe, as
  // AddToIndex is.
  std::string NewMessageName(TDateTime time, const std::string &callerNumber) const;
  // Appends the entry's line to the index; false when the index cannot be written.
  bool AddToIndex(const TMessageEntry &entry) const;
  // The index's entries in order; lines that are not an entry are skipped.
  std::vector<TMessageEntry> ReadIndex() const;
  // Takes the message out of the index and removes its file; the index is replaced whole, so
  // that it never lists a message without its file, nor loses another. False, with nothing
  // changed, when the index cannot be rewritten.
  bool Remove(const TMessageEntry &entry) const;

 private:
  std::string folder_;
};

std::string IndexLine(const TMessageEntry &entry);
// The entry an index line holds; none for a line that is not one.
std::optional<TMessageEntry> ParseIndexLine(const std::string &line);
