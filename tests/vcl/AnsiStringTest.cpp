#include <gtest/gtest.h>

#include <vcl.h>
#include <wintypes.h>

TEST(AnsiString, KeepsEmbeddedNulsAndStaysTerminated) {
  const char bytes[] = {'a', '\0', 'b'};
  AnsiString text(bytes, 3);
  EXPECT_EQ(text.Length(), 3);
  EXPECT_EQ(text[2], '\0');
  EXPECT_EQ(text[3], 'b');
  EXPECT_EQ(text.c_str()[3], '\0');
  EXPECT_NE(text, AnsiString("a"));
  EXPECT_EQ((text + "c").Length(), 4);
}

TEST(AnsiString, NullPointerReadsAsEmpty) {
  const char *none = nullptr;
  EXPECT_TRUE(AnsiString(none).IsEmpty());
  EXPECT_STREQ(AnsiString().c_str(), "");
}

TEST(AnsiString, IndexesFromOneAndRejectsOutOfRange) {
  AnsiString text("abc");
  EXPECT_EQ(text[1], 'a');
  EXPECT_EQ(text[3], 'c');
  text[2] = 'X';
  EXPECT_EQ(text, "aXc");
  EXPECT_THROW(text[0], ERangeError);
  EXPECT_THROW(text[4], ERangeError);
  EXPECT_THROW(AnsiString()[1], ERangeError);
}

TEST(AnsiString, SubStringAndPosCountFromOne) {
  AnsiString text("Hello, World");
  EXPECT_EQ(text.SubString(1, 5), "Hello");
  EXPECT_EQ(text.SubString(8, 100), "World");
  EXPECT_EQ(text.SubString(0, 3), "He");
  EXPECT_EQ(text.SubString(13, 1), "");
  EXPECT_EQ(text.SubString(3, 0), "");
  EXPECT_EQ(text.Pos("World"), 8);
  EXPECT_EQ(text.Pos("H"), 1);
  EXPECT_EQ(text.Pos("world"), 0);
  EXPECT_EQ(text.Pos(""), 0);
}

TEST(AnsiString, SetLengthPadsWithNulsOrCuts) {
  AnsiString text("abc");
  text.SetLength(5);
  EXPECT_EQ(text.Length(), 5);
  EXPECT_EQ(text[5], '\0');
  text.SetLength(2);
  EXPECT_EQ(text, "ab");
}

TEST(AnsiString, ConcatenatesWithTextOnEitherSide) {
  AnsiString middle("b");
  EXPECT_EQ("a" + middle + "c", "abc");
  AnsiString text("x");
  text += 'y';
  text += 42;
  EXPECT_EQ(text, "xy42");
  EXPECT_TRUE(AnsiString("abc") < AnsiString("abd"));
  EXPECT_TRUE(AnsiString("ab") < AnsiString("abc"));
}

TEST(AnsiString, ConvertsToInt) {
  EXPECT_EQ(AnsiString(" -17 ").ToInt(), -17);
  EXPECT_EQ(AnsiString("$FF").ToInt(), 255);
  EXPECT_EQ(AnsiString("-2147483648").ToInt(), INT32_MIN);
  EXPECT_THROW(AnsiString("2147483648").ToInt(), EConvertError);
  EXPECT_THROW(AnsiString("12x").ToInt(), EConvertError);
  EXPECT_THROW(AnsiString("").ToInt(), EConvertError);
  EXPECT_EQ(AnsiString("--1").ToIntDef(7), 7);
}

TEST(IntToStr, SignedAndUnsignedTypesKeepTheirMeaning) {
  const DWORD noDevice = 0xFFFFFFFF;
  const LONG lineError = static_cast<LONG>(0x80000048);
  EXPECT_EQ(IntToStr(noDevice), "4294967295");
  EXPECT_EQ(IntToStr(-1), "-1");
  EXPECT_EQ(IntToStr(lineError), "-2147483576");
  EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(AnsiString(noDevice), "4294967295");
}

TEST(Exception, CarriesItsMessage) {
  try {
    throw EAbort("No TAPI devices detected");
  } catch (const Exception &error) {
    EXPECT_EQ(error.Message, "No TAPI devices detected");
    EXPECT_STREQ(error.what(), "No TAPI devices detected");
  }
}
