// The journal keeps the latest entries up to its capacity and counts the ones it dropped.
#include <gtest/gtest.h>

#include <string>

#include "simulator/Journal.h"

namespace {

sim::Invocation Numbered(int n) {
  return sim::Invocation{"op" + std::to_string(n), {}};
}

std::string Operations(const sim::Journal &journal) {
  std::string names;
  for (const auto &entry : journal.Entries()) names += entry.call.operation + " ";
  return names;
}

TEST(Journal, KeepsTheLatestEntriesAndCountsTheDroppedOnes) {
  sim::Journal journal;
  EXPECT_EQ(journal.Capacity(), sim::Journal::kDefaultCapacity);
  journal.SetCapacity(3);
  for (int n = 1; n <= 5; ++n) journal.Record(Numbered(n), n);
  EXPECT_EQ(Operations(journal), "op3 op4 op5 ");
  EXPECT_EQ(journal.Dropped(), 2u);
  EXPECT_EQ(journal.Find("op4"), 1);
  EXPECT_EQ(journal.ToString(), "op3() -> 3\nop4() -> 4\nop5() -> 5\n");

  journal.SetCapacity(1);
  EXPECT_EQ(Operations(journal), "op5 ");
  EXPECT_EQ(journal.Dropped(), 4u);

  journal.SetCapacity(0);
  EXPECT_EQ(journal.Capacity(), 1u);
  journal.Clear();
  EXPECT_EQ(journal.Dropped(), 0u);
  EXPECT_EQ(Operations(journal), "");
  journal.Record(Numbered(6), 0);
  EXPECT_EQ(Operations(journal), "op6 ");
}

TEST(Journal, ALargerCapacityKeepsWhatIsThere) {
  sim::Journal journal;
  journal.SetCapacity(2);
  for (int n = 1; n <= 3; ++n) journal.Record(Numbered(n), 0);
  journal.SetCapacity(4);
  for (int n = 4; n <= 6; ++n) journal.Record(Numbered(n), 0);
  EXPECT_EQ(Operations(journal), "op3 op4 op5 op6 ");
  EXPECT_EQ(journal.Dropped(), 2u);
}

}  // namespace
