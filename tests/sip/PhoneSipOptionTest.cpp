// corvax-phone refuses a --sip file that cannot serve before it starts: one line, status 2.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/phone/PhoneHost.h"

namespace {

struct TBadSipFile {
  std::vector<std::string> args;  // {conf} is the written file, {dir} the test's folder
  std::string content;            // of {conf}; none is written when empty
  std::string error;
};

class PhoneRefusesSipFile : public phone_test::PhoneHost,
                            public ::testing::WithParamInterface<TBadSipFile> {};

TEST_P(PhoneRefusesSipFile, WithOneLineAndStatus2) {
  const std::string conf = folder_.Path("sip.conf").string();
  if (!GetParam().content.empty()) std::ofstream(conf) << GetParam().content;
  auto expand = [&](std::string text) {
    for (size_t at; (at = text.find("{conf}")) != std::string::npos;) text.replace(at, 6, conf);
    for (size_t at; (at = text.find("{dir}")) != std::string::npos;)
      text.replace(at, 5, folder_.Path("").string());
    return text;
  };
  std::vector<std::string> args;
  for (const auto &arg : GetParam().args) args.push_back(expand(arg));
  EXPECT_EQ(Run(args), 2);
  EXPECT_EQ(err_.str(), "corvax-phone: " + expand(GetParam().error) + "\n");
  EXPECT_EQ(out_.str(), "");
  ExpectLineClosed();
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, PhoneRefusesSipFile,
    ::testing::Values(
        TBadSipFile{{"devices", "--sip", "{conf}"}, "", "--sip: {conf}: cannot be read"},
        TBadSipFile{{"answer", "--sip", "{conf}", "--messages", "{dir}m"},
                    "[line]\nname = Desk\nfoo = 1\n",
                    "--sip: {conf}:3: unknown key 'foo'"},
        TBadSipFile{{"dial", "sip:bob@127.0.0.1:5999", "--sip", "{conf}"},
                    "log = sip.log\n",
                    "--sip: {conf}: no [line] is configured"}));

}  // namespace
