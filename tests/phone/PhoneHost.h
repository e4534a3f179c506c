// corvax-phone run in process, as the phone and SIP tests run it: its output captured, its
// messages in a scratch folder, and what it must have let go of once it has ended.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "examples/Phone.h"
#include "simulator/Exchange.h"
#include "tests/component/TestSupport.h"

namespace phone_test {

inline std::vector<std::filesystem::path> WaveFilesIn(const std::filesystem::path &folder) {
  std::vector<std::filesystem::path> files;
  if (!std::filesystem::exists(folder)) return files;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".wav") files.push_back(entry.path());
  return files;
}

class PhoneHost : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string> &args) {
    return RunPhone(args, out_, err_, false, CORVAX_SPEECH_DIR);
  }
  std::string Messages() const { return folder_.Path("messages").string(); }
  // Nothing of the exchange is held once the program has ended.
  void ExpectLineClosed() const {
    EXPECT_EQ(sim::TheExchange().OpenLineCount(0), 0u);
    EXPECT_EQ(sim::TheExchange().ApplicationCount(), 0u);
    EXPECT_EQ(sim::TheExchange().CallHandleCount(), 0u);
  }

  component_test::TNoticeCapture notices_;
  component_test::TScratchFolder folder_;
  std::ostringstream out_;
  std::ostringstream err_;
};

}  // namespace phone_test
