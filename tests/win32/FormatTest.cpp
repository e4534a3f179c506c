#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

template <class... Args>
std::string Format(const char *format, Args... args) {
  char buffer[1100];
  int length = wsprintfA(buffer, format, args...);
  EXPECT_EQ(static_cast<size_t>(length), std::string(buffer).size());
  return buffer;
}

TEST(Wsprintf, SignedAndUnsignedDecimals) {
  EXPECT_EQ(Format("%d|%i|%ld", -5, 17, static_cast<LONG>(-2147483576)), "-5|17|-2147483576");
  EXPECT_EQ(Format("%u|%lu", 7u, static_cast<DWORD>(0xFFFFFFFF)), "7|4294967295");
  EXPECT_EQ(Format("%lu.%lu", static_cast<DWORD>(2), static_cast<DWORD>(0)), "2.0");
  EXPECT_EQ(Format("%d", static_cast<int32_t>(0x80000000)), "-2147483648");
}

TEST(Wsprintf, Hexadecimals) {
  EXPECT_EQ(Format("%x|%lx|%lX|%X", 255u, static_cast<DWORD>(0xDEADBEEF),
                   static_cast<DWORD>(0xDEADBEEF), 0xabu),
            "ff|deadbeef|DEADBEEF|AB");
  EXPECT_EQ(Format("0x%08lX", static_cast<DWORD>(0x2A)), "0x0000002A");
}

TEST(Wsprintf, WidthAndFlags) {
  EXPECT_EQ(Format("[%5d][%-5d][%05d][%05d]", 42, 42, 42, -42), "[   42][42   ][00042][-0042]");
  EXPECT_EQ(Format("[%6s][%-6s][%.2s]", "ab", "ab", "abcdef"), "[    ab][ab    ][ab]");
  EXPECT_EQ(Format("[%3c][%-3c]", 'x', 'y'), "[  x][y  ]");
}

TEST(Wsprintf, TextCharactersAndPercent) {
  EXPECT_EQ(Format("%s=%c%%", "rate", 'k'), "rate=k%");
  EXPECT_EQ(Format("%s", static_cast<const char *>(nullptr)), "(null)");
  EXPECT_EQ(Format("plain"), "plain");
}

TEST(Wsprintf, OutputStopsAt1023Characters) {
  std::string longText(2000, 'a');
  EXPECT_EQ(Format("%s", longText.c_str()).size(), 1023u);
}

}  // namespace
