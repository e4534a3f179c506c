// The messages folder: file names from the time and the caller's number, the index line,
// and a folder that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "examples/MessageStore.h"
#include "examples/PhoneOptions.h"
#include "tests/component/TestSupport.h"

namespace {

TDateTime CallTime() {
  return EncodeDate(2026, 12, 9) + EncodeTime(5, 40, 12, 0);
}

struct TNaming {
  std::string number;
  std::string name;
};

class MessageNames : public ::testing::TestWithParam<TNaming> {};

TEST_P(MessageNames, AreTheTimeAndADialableNumber) {
  component_test::TScratchFolder folder;
  TMessageStore store(folder.Path("box").string());
  EXPECT_EQ(store.NewMessageName(CallTime(), GetParam().number), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, MessageNames,
    ::testing::Values(TNaming{"5550142", "20261209-054012-5550142.wav"},
                      TNaming{"+4420794600", "20261209-054012-+4420794600.wav"},
                      TNaming{"N/A", "20261209-054012-unknown.wav"},
                      TNaming{"", "20261209-054012-unknown.wav"},
                      TNaming{"555 0142", "20261209-054012-unknown.wav"},
                      TNaming{"../../etc/passwd", "20261209-054012-unknown.wav"}));

TEST(MessageStore, ANameTakenAlreadyGetsANumber) {
  component_test::TScratchFolder folder;
  TMessageStore store(folder.Path("").string());
  std::ofstream(store.PathOf("20261209-054012-5550142.wav")) << "x";
  EXPECT_EQ(store.NewMessageName(CallTime(), "5550142"), "20261209-054012-5550142-2.wav");
  std::ofstream(store.PathOf("20261209-054012-5550142-2.wav")) << "x";
  EXPECT_EQ(store.NewMessageName(CallTime(), "5550142"), "20261209-054012-5550142-3.wav");
}

TEST(MessageStore, TheIndexGetsOneTabSeparatedLinePerMessage) {
  component_test::TScratchFolder folder;
  TMessageStore store(folder.Path("box").string());
  store.CheckWritable();
  EXPECT_TRUE(store.AddToIndex({CallTime(), "Alice Martin", "5550142", 4.04, "a.wav"}));
  // A name with a tab or a line end must not split the line.
  EXPECT_TRUE(store.AddToIndex({CallTime(), "Bob\tStone\n", "N/A", 0.5, "b.wav"}));
  EXPECT_EQ(component_test::ReadFile(store.IndexPath()),
            "2026-12-09 05:40:12\tAlice Martin\t5550142\t4.0\ta.wav\n"
            "2026-12-09 05:40:12\tBob Stone \tN/A\t0.5\tb.wav\n");
}

TEST(MessageStore, RemovingAMessageTakesItsLineAndFileAndKeepsTheRest) {
  component_test::TScratchFolder folder;
  TMessageStore store(folder.Path("box").string());
  store.CheckWritable();
  for (const char *name : {"a.wav", "b.wav", "c.wav"}) {
    std::ofstream(store.PathOf(name)) << name;
    ASSERT_TRUE(store.AddToIndex({CallTime(), "Ann", "5550123", 1.5, name}));
  }
  // A line the machine did not write, and one naming a file outside the folder, are no entries.
  std::ofstream(store.IndexPath(), std::ios::app) << "not an entry\n"
                                                  << "2026-12-09 05:40:12\tX\t1\t1.0\t../x.wav\n";
  const auto entries = store.ReadIndex();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].callerName, "Ann");
  EXPECT_EQ(entries[1].callerNumber, "5550123");
  EXPECT_DOUBLE_EQ(entries[1].seconds, 1.5);
  EXPECT_EQ(IndexLine(entries[1]), "2026-12-09 05:40:12\tAnn\t5550123\t1.5\tb.wav");

  ASSERT_TRUE(store.Remove(entries[1]));
  EXPECT_FALSE(std::filesystem::exists(store.PathOf("b.wav")));
  EXPECT_TRUE(std::filesystem::exists(store.PathOf("a.wav")));
  EXPECT_TRUE(std::filesystem::exists(store.PathOf("c.wav")));
  EXPECT_EQ(component_test::ReadFile(store.IndexPath()),
            "2026-12-09 05:40:12\tAnn\t5550123\t1.5\ta.wav\n"
            "2026-12-09 05:40:12\tAnn\t5550123\t1.5\tc.wav\n"
            "not an entry\n"
            "2026-12-09 05:40:12\tX\t1\t1.0\t../x.wav\n");
}

TEST(MessageStore, AFolderThatCannotBeWrittenIsRefusedWithItsReason) {
  component_test::TScratchFolder folder;
  std::ofstream(folder.Path("plain-file")) << "x";
  const std::string where = folder.Path("plain-file").string() + "/box";
  try {
    TMessageStore(where).CheckWritable();
    FAIL() << "accepted";
  } catch (const TUsageError &e) {
    EXPECT_EQ(std::string(e.what()), "cannot write to the messages folder '" + where +
                                         "' (Not a directory); choose another one with --messages");
  }
}

TEST(MessageStore, AMissingFolderIsMadeAndLeftEmpty) {
  component_test::TScratchFolder folder;
  TMessageStore store(folder.Path("a/b/c").string());
  store.CheckWritable();
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path("a/b/c")));
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path("a/b/c")));
}

TEST(MessageStore, LinesAtWorkTogetherGetNamesOfTheirOwn) {
  component_test::TScratchFolder folder;
  TMessageStore store(folder.Path("").string());
  constexpr int kLines = 8;
  std::vector<std::string> names(kLines);
  std::vector<std::thread> lines;
  for (int line = 0; line < kLines; ++line)
    lines.emplace_back([&, line] { names[line] = store.NewMessageName(CallTime(), "5550142"); });
  for (auto &line : lines) line.join();
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), size_t{kLines});
  EXPECT_TRUE(std::filesystem::exists(store.PathOf("20261209-054012-5550142.wav")));
  EXPECT_TRUE(std::filesystem::exists(store.PathOf("20261209-054012-5550142-8.wav")));
}

TEST(MessageStore, EveryIndexLineIsWholeWhileManyLinesWrite) {
  component_test::TScratchFolder folder;
  TMessageStore store(folder.Path("").string());
  constexpr int kLines = 8, kMessages = 40;
  // Longer than a stream's buffer, so that a line written in pieces would show.
  auto callerOf = [](int line) { return std::string(9000, static_cast<char>('a' + line)); };
  std::vector<std::thread> lines;
  for (int line = 0; line < kLines; ++line) {
    lines.emplace_back([&, line] {
      for (int message = 0; message < kMessages; ++message) {
        const std::string file = std::to_string(line) + "-" + std::to_string(message) + ".wav";
        EXPECT_TRUE(store.AddToIndex({CallTime(), callerOf(line), "5550142", 1.5, file}));
      }
    });
  }
  for (auto &line : lines) line.join();
  std::istringstream index(component_test::ReadFile(store.IndexPath()));
  std::set<std::string> files;
  for (std::string text; std::getline(index, text);) {
    std::vector<std::string> fields;
    std::istringstream in(text);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    ASSERT_EQ(fields.size(), 5u) << text.substr(0, 80);
    const int line = fields[4][0] - '0';
    EXPECT_EQ(fields[1], callerOf(line)) << "line " << line << " mixed with another";
    files.insert(fields[4]);
  }
  EXPECT_EQ(files.size(), size_t{kLines * kMessages});
}

}  // namespace
