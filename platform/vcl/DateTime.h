// Dates and times as the framework keeps them: days since 30 December 1899, with the time of
// day as the fraction. Now() reads a replaceable clock so that tests can fix the time.
#pragma once

#include <atomic>
#include <cstdint>

#include "AnsiString.h"

class TDateTime {
 public:
  TDateTime() = default;
  TDateTime(double days) : Val(days) {}
  operator double() const { return Val; }

  double Val = 0;
};

struct TDateParts {
  int Year, Month, Day;
};
struct TTimeParts {
  int Hour, Min, Sec, MSec;
};

// Invalid parts raise EConvertError.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
TDateParts DecodeDate(TDateTime value);
TTimeParts DecodeTime(TDateTime value);

// The local date and time from the current clock.
TDateTime Now();
using TNowFunction = TDateTime (*)();
// Installs a clock (nullptr restores the system's local time); returns the one it replaces.
TNowFunction SetNowFunction(TNowFunction clock);

// The locale's separators that replace '/' and ':' in date and time formats.
extern std::atomic<char> DateSeparator;
extern std::atomic<char> TimeSeparator;

// Tokens (any case): yyyy yy m mm d dd h hh n nn s ss z zzz; m and mm right after an hour
// token mean minutes. '/' and ':' give the separators; text in quotes is copied as it
// stands; any other character too.
AnsiString FormatDateTime(const AnsiString &format, TDateTime value);
