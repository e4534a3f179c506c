// String lists. TStrings is the abstract list that controls expose (a list box's Items);
// TStringList is the plain one.
#pragma once

#include <vector>

#include "AnsiString.h"

class TStrings {
 public:
  TStrings() = default;
  TStrings(const TStrings &) = delete;
  TStrings &operator=(const TStrings &) = delete;
  virtual ~TStrings() = default;

  virtual int Count() const = 0;
  // An index outside 0..Count()-1 raises ERangeError.
  virtual AnsiString Get(int index) const = 0;
  virtual void Put(int index, const AnsiString &text) = 0;
  virtual void Insert(int index, const AnsiString &text) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  // Appends and returns the new entry's index.
  int Add(const AnsiString &text);
  // Index of the first entry equal to text ignoring case, -1 when none.
  int IndexOf(const AnsiString &text) const;
  AnsiString operator[](int index) const { return Get(index); }
  // The entries, each followed by a line break; setting it splits at CR LF, LF or CR.
  AnsiString Text() const;
  void SetText(const AnsiString &text);
  void Assign(const TStrings &source);

 protected:
  void CheckIndex(int index, int limit) const;
};

class TStringList : public TStrings {
 public:
  int Count() const override { return static_cast<int>(entries_.size()); }
  AnsiString Get(int index) const override;
  void Put(int index, const AnsiString &text) override;
  void Insert(int index, const AnsiString &text) override;
  void Delete(int index) override;
  void Clear() override { entries_.clear(); }

 private:
  std::vector<AnsiString> entries_;
};
