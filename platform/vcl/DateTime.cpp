#include "DateTime.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>

#include "Exceptions.h"

std::atomic<char> DateSeparator{'/'};
std::atomic<char> TimeSeparator{':'};

namespace {

constexpr int64_t kMSecPerDay = 86400000;
// Days from the framework's day 0 (30 December 1899) to 1 January 1970.
constexpr int64_t kUnixEpochDay = 25569;

// Days since 1 January 1970 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

TDateParts CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Whole milliseconds since day 0, so that decoding never shows 59.999 seconds.
int64_t TotalMSec(TDateTime value) {
  return std::llround(value.Val * kMSecPerDay);
}

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

TDateTime SystemNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const int msec =
      static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, msec);
}

std::atomic<TNowFunction> currentClock{nullptr};

AnsiString Padded(int value, int width) {
  AnsiString digits(value);
  while (digits.Length() < width) digits = "0" + digits;
  return digits;
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    throw EConvertError("Invalid argument to date encode");
  return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
    throw EConvertError("Invalid argument to time encode");
  return static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / kMSecPerDay;
}

TDateParts DecodeDate(TDateTime value) {
  return CivilFromDays(FloorDiv(TotalMSec(value), kMSecPerDay) - kUnixEpochDay);
}

TTimeParts DecodeTime(TDateTime value) {
  const int64_t total = TotalMSec(value);
  const int msec = static_cast<int>(total - FloorDiv(total, kMSecPerDay) * kMSecPerDay);
  return {msec / 3600000, msec / 60000 % 60, msec / 1000 % 60, msec % 1000};
}

TDateTime Now() {
  TNowFunction clock = currentClock.load();
  return clock ? clock() : SystemNow();
}

TNowFunction SetNowFunction(TNowFunction clock) {
  return currentClock.exchange(clock);
}

AnsiString FormatDateTime(const AnsiString &format, TDateTime value) {
  const TDateParts date = DecodeDate(value);
  const TTimeParts time = DecodeTime(value);
  const std::string_view text = format.View();
  AnsiString result;
  bool afterHour = false;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const size_t close = text.find(c, i + 1);
      const size_t end = close == std::string_view::npos ? text.size() : close;
      result += AnsiString(text.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    const char token = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t run = 1;
    while (i + run < text.size() &&
           std::tolower(static_cast<unsigned char>(text[i + run])) == token)
      ++run;
    const int width = run >= 2 ? 2 : 1;
    switch (token) {
      case 'y':
        result += run >= 3 ? Padded(date.Year, 4) : Padded(date.Year % 100, 2);
        break;
      case 'm':
        result += Padded(afterHour ? time.Min : date.Month, width);
        break;
      case 'd':
        result += Padded(date.Day, width);
        break;
      case 'h':
        result += Padded(time.Hour, width);
        break;
      case 'n':
        result += Padded(time.Min, width);
        break;
      case 's':
        result += Padded(time.Sec, width);
        break;
      case 'z':
        result += Padded(time.MSec, run >= 3 ? 3 : 1);
        break;
      case '/':
        run = 1;
        result += AnsiString(DateSeparator.load());
        break;
      case ':':
        run = 1;
        result += AnsiString(TimeSeparator.load());
        break;
      default:
        run = 1;
        result += AnsiString(c);
        break;
    }
    if (std::isalpha(static_cast<unsigned char>(c))) afterHour = token == 'h';
    i += run;
  }
  return result;
}
