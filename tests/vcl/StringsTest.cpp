#include <gtest/gtest.h>

#include <vcl.h>

TEST(TStringList, AddReturnsIndexAndKeepsOrder) {
  TStringList list;
  EXPECT_EQ(list.Add("Line A"), 0);
  EXPECT_EQ(list.Add("Line B"), 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list[1], "Line B");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Add("again"), 0);
}

TEST(TStringList, IndexOfIgnoresCase) {
  TStringList list;
  list.Add("Modem");
  list.Add("Phone");
  EXPECT_EQ(list.IndexOf("PHONE"), 1);
  EXPECT_EQ(list.IndexOf("fax"), -1);
}

TEST(TStringList, RejectsIndexesOutsideTheList) {
  TStringList list;
  list.Add("only");
  EXPECT_THROW(list.Get(1), ERangeError);
  EXPECT_THROW(list.Get(-1), ERangeError);
  EXPECT_THROW(list.Insert(3, "x"), ERangeError);
  list.Insert(1, "end");
  list.Insert(0, "start");
  list.Delete(1);
  EXPECT_EQ(list.Text(), "start\r\nend\r\n");
}

TEST(TStringList, TextSplitsAtAnyLineBreak) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[3], "d");
  TStringList copy;
  copy.Assign(list);
  EXPECT_EQ(copy.Text(), list.Text());
}

TEST(TStrings, AbstractListServesThroughTheBaseInterface) {
  TStringList concrete;
  TStrings &items = concrete;
  items.Clear();
  items.Add("Line Unnamed");
  EXPECT_EQ(concrete.Get(0), "Line Unnamed");
}
