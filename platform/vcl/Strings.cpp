#include "Strings.h"

#include "Exceptions.h"

int TStrings::Add(const AnsiString &text) {
  const int index = Count();
  Insert(index, text);
  return index;
}

int TStrings::IndexOf(const AnsiString &text) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Get(i), text)) return i;
  return -1;
}

AnsiString TStrings::Text() const {
  AnsiString text;
  for (int i = 0; i < Count(); ++i) text += Get(i) + "\r\n";
  return text;
}

void TStrings::SetText(const AnsiString &text) {
  Clear();
  const std::string_view rest = text.View();
  size_t start = 0;
  while (start < rest.size()) {
    size_t end = rest.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = rest.size();
    Add(AnsiString(rest.substr(start, end - start)));
    if (end < rest.size() && rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
}

void TStrings::Assign(const TStrings &source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.Count(); ++i) Add(source.Get(i));
}

void TStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    throw ERangeError("List index out of bounds (" + AnsiString(index) + ")");
}

AnsiString TStringList::Get(int index) const {
  CheckIndex(index, Count());
  return entries_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const AnsiString &text) {
  CheckIndex(index, Count());
  entries_[static_cast<size_t>(index)] = text;
}

void TStringList::Insert(int index, const AnsiString &text) {
  CheckIndex(index, Count() + 1);
  entries_.insert(entries_.begin() + index, text);
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  entries_.erase(entries_.begin() + index);
}
