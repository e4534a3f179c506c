#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <vcl.h>

namespace {

TDateTime May17th2002() {
  return EncodeDate(2002, 5, 17) + EncodeTime(14, 3, 9, 0);
}

// Restores the clock and the separators whatever a test changed.
class DateTimeTest : public testing::Test {
 protected:
  void TearDown() override {
    SetNowFunction(nullptr);
    DateSeparator = '/';
    TimeSeparator = ':';
  }
};

}  // namespace

TEST_F(DateTimeTest, FormatsTheLogStampFromTheReplacedClock) {
  SetNowFunction(&May17th2002);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", Now()), "2002/05/17 14:03:09");
}

TEST_F(DateTimeTest, SeparatorsComeFromTheLocaleSettings) {
  DateSeparator = '-';
  TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", May17th2002()), "2002-05-17 14.03.09");
}

TEST_F(DateTimeTest, OtherTokensAndQuotedText) {
  const TDateTime value = EncodeDate(1999, 1, 2) + EncodeTime(7, 8, 5, 42);
  EXPECT_EQ(FormatDateTime("d/m/yy h:n:s.zzz", value), "2/1/99 7:8:5.042");
  EXPECT_EQ(FormatDateTime("hh:mm", value), "07:08");
  EXPECT_EQ(FormatDateTime("'at' hh 'o''clock'", value), "at 07 oclock");
}

TEST_F(DateTimeTest, EncodesAndDecodesAcrossLeapDaysAndTheEpoch) {
  EXPECT_EQ(EncodeDate(1899, 12, 30).Val, 0.0);
  EXPECT_EQ(EncodeDate(1900, 3, 1).Val, 61.0);
  const TDateParts leap = DecodeDate(EncodeDate(2000, 2, 29));
  EXPECT_EQ(leap.Year, 2000);
  EXPECT_EQ(leap.Month, 2);
  EXPECT_EQ(leap.Day, 29);
  EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  const TTimeParts late = DecodeTime(EncodeTime(23, 59, 59, 999));
  EXPECT_EQ(late.Hour, 23);
  EXPECT_EQ(late.Sec, 59);
  EXPECT_EQ(late.MSec, 999);
}

TEST_F(DateTimeTest, SystemClockGivesTodaysDate) {
  const std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  const TDateParts today = DecodeDate(Now());
  // Around midnight the two readings may straddle the day; accept the next day then.
  const TDateParts expected{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
  const TDateParts next = DecodeDate(EncodeDate(expected.Year, expected.Month, expected.Day) + 1.0);
  const bool same =
      today.Year == expected.Year && today.Month == expected.Month && today.Day == expected.Day;
  const bool following =
      today.Year == next.Year && today.Month == next.Month && today.Day == next.Day;
  EXPECT_TRUE(same || following);
}

TEST(FileExists, TellsFilesFromFoldersAndMissingPaths) {
  const auto folder = std::filesystem::temp_directory_path() / "corvax_vcl_file_exists";
  std::filesystem::create_directories(folder);
  const auto file = folder / "present.txt";
  std::ofstream(file) << "x";
  EXPECT_TRUE(FileExists(file.string().c_str()));
  EXPECT_FALSE(FileExists(folder.string().c_str()));
  EXPECT_FALSE(FileExists((folder / "absent.txt").string().c_str()));
  EXPECT_FALSE(FileExists(""));
  std::filesystem::remove_all(folder);
}
