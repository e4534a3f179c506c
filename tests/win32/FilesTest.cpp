#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/FileFaults.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("corvax-files-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                .string();
  }
  void TearDown() override { std::filesystem::remove(path_); }

  HANDLE Create(DWORD disposition) {
    return CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, 0);
  }
  bool Write(HANDLE file, const std::string &text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
  }
  std::string Content() {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }

  std::string path_;
};

TEST_F(Files, CreateAlwaysTruncatesAnExistingFile) {
  std::ofstream(path_) << "previous content";
  HANDLE file = Create(CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  ASSERT_TRUE(Write(file, "new"));
  ASSERT_TRUE(CloseHandle(file));
  EXPECT_EQ(Content(), "new");
}

TEST_F(Files, OpenExistingFailsForAMissingFile) {
  EXPECT_EQ(Create(OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HANDLE inMissingFolder = CreateFileA("/nonexistent-folder/x.wav", GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
  EXPECT_EQ(inMissingFolder, INVALID_HANDLE_VALUE);
}

TEST_F(Files, HeaderIsRewrittenAfterAppendingData) {
  HANDLE file = Create(CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(Write(file, "HDR0"));
  ASSERT_TRUE(Write(file, "data"));
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
  ASSERT_TRUE(Write(file, "HDR1"));
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_END), 8u);
  ASSERT_TRUE(Write(file, "more"));
  EXPECT_EQ(SetFilePointer(file, -6, nullptr, FILE_CURRENT), 6u);
  ASSERT_TRUE(Write(file, "ME"));
  CloseHandle(file);
  EXPECT_EQ(Content(), "HDR1daMEmore");
}

TEST_F(Files, ClosedOrInvalidHandlesAreRefused) {
  HANDLE file = Create(CREATE_ALWAYS);
  ASSERT_TRUE(CloseHandle(file));
  EXPECT_FALSE(Write(file, "x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_FALSE(CloseHandle(file));
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_FALSE(Write(event, "x"));
  CloseHandle(event);
}

TEST_F(Files, AFullDiskTakesWhatFitsThenRefusesEveryWriteUntilCleared) {
  HANDLE file = Create(CREATE_ALWAYS);
  win32::FillDiskAfter(10);
  EXPECT_TRUE(Write(file, "012345"));
  DWORD written = 0;
  EXPECT_FALSE(WriteFile(file, "6789ab", 6, &written, nullptr));
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_FALSE(WriteFile(file, "c", 1, &written, nullptr));
  EXPECT_EQ(written, 0u);
  win32::ClearFileWriteFaults();
  EXPECT_TRUE(Write(file, "Z"));
  CloseHandle(file);
  EXPECT_EQ(Content(), "0123456789Z");
}

}  // namespace
