// corvax-phone's command line: what each command takes, and one line for each mistake.
#include <gtest/gtest.h>

#include "examples/PhoneOptions.h"

namespace {

using Args = std::vector<std::string>;

struct TBadInput {
  Args args;
  std::string error;
};

class PhoneOptionsRefuse : public ::testing::TestWithParam<TBadInput> {};

TEST_P(PhoneOptionsRefuse, WithOneLineSayingWhatToDo) {
  try {
    ParsePhoneOptions(GetParam().args);
    FAIL() << "accepted";
  } catch (const TUsageError &e) {
    EXPECT_EQ(std::string(e.what()), GetParam().error);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, PhoneOptionsRefuse,
    ::testing::Values(
        TBadInput{{"ring"}, "unknown command 'ring'; use devices, answer or dial (see --help)"},
        TBadInput{{"answer", "--rings", "0"},
                  "--rings must be a whole number from 1 to 20, not '0'"},
        TBadInput{{"answer", "--rings", "21"},
                  "--rings must be a whole number from 1 to 20, not '21'"},
        TBadInput{{"answer", "--max-seconds", "601"},
                  "--max-seconds must be a whole number from 1 to 600, not '601'"},
        TBadInput{{"answer", "--max-seconds", "0"},
                  "--max-seconds must be a whole number from 1 to 600, not '0'"},
        TBadInput{{"answer", "--calls", "-1"},
                  "--calls must be a whole number from 0 to 10000, not '-1'"},
        TBadInput{{"answer", "--device", "2x"},
                  "--device must be a whole number from 0 to 65535, not '2x'"},
        TBadInput{{"answer", "--rings"}, "--rings needs a value; see corvax-phone --help"},
        TBadInput{{"answer", "--pin", "123"}, "--pin must be 4 to 12 digits 0-9, not '123'"},
        TBadInput{{"answer", "--pin", "12#4"}, "--pin must be 4 to 12 digits 0-9, not '12#4'"},
        TBadInput{{"answer", "--pin", "1234567890123"},
                  "--pin must be 4 to 12 digits 0-9, not '1234567890123'"},
        TBadInput{{"dial", "5551234", "--pin", "1234"},
                  "unknown argument '--pin' for dial; see corvax-phone --help"},
        TBadInput{{"answer", "--greeting", "--demo"},
                  "--greeting needs a value; see corvax-phone --help"},
        TBadInput{{"answer", "--play", "x.wav"},
                  "unknown argument '--play' for answer; see corvax-phone --help"},
        TBadInput{{"answer", "5551234"},
                  "unknown argument '5551234' for answer; see corvax-phone --help"},
        TBadInput{{"devices", "--device", "1"},
                  "unknown argument '--device' for devices; see corvax-phone --help"},
        TBadInput{{"dial"}, "dial needs the NUMBER to call, e.g. corvax-phone dial 5551234"},
        TBadInput{{"dial", "--assisted"},
                  "dial needs the NUMBER to call, e.g. corvax-phone dial 5551234"},
        TBadInput{{"dial", "5551", "5552"},
                  "unknown argument '5552' for dial; see corvax-phone --help"},
        TBadInput{{"answer", "--device", "0,,2"},
                  "--device must be a whole number from 0 to 65535, not ''"},
        TBadInput{{"answer", "--device", "0,x"},
                  "--device must be a whole number from 0 to 65535, not 'x'"},
        TBadInput{{"answer", "--device", "1,2,1"}, "--device names line 1 twice in '1,2,1'"},
        TBadInput{{"answer", "--device", "0,1", "--choose"},
                  "--choose picks one line; it does not go with several in --device"},
        TBadInput{{"dial", "5551", "--device", "all"},
                  "dial places its call on one line; give --device N"},
        TBadInput{{"answer", "--demo-lines", "3"},
                  "--demo-lines must be a whole number from 1 to 2, not '3'"}));

struct TLineChoice {
  Args args;
  std::vector<uint32_t> devices;  // empty: `device` alone
  bool all;
  uint32_t device;
};

class PhoneOptionsLines : public ::testing::TestWithParam<TLineChoice> {};

TEST_P(PhoneOptionsLines, NameTheLinesAnswerServes) {
  const TPhoneOptions options = ParsePhoneOptions(GetParam().args);
  EXPECT_EQ(options.devices, GetParam().devices);
  EXPECT_EQ(options.allDevices, GetParam().all);
  EXPECT_EQ(options.device, GetParam().device);
  EXPECT_EQ(ServesSeveralLines(options), GetParam().all || !GetParam().devices.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PhoneOptionsLines,
    ::testing::Values(
        TLineChoice{{"answer"}, {}, false, 0},
        TLineChoice{{"answer", "--device", "4"}, {}, false, 4},
        TLineChoice{{"answer", "--device", "0,2,5"}, {0, 2, 5}, false, 0},
        TLineChoice{{"answer", "--device", "5,2"}, {5, 2}, false, 5},
        TLineChoice{{"answer", "--device", "all"}, {}, true, 0},
        // The demo's lines are served, from the one named on.
        TLineChoice{{"answer", "--demo-lines", "2"}, {0, 1}, false, 0},
        TLineChoice{{"answer", "--device", "1", "--demo-lines", "2"}, {1, 2}, false, 1},
        TLineChoice{{"answer", "--device", "all", "--demo-lines", "2"}, {}, true, 0}));

TEST(PhoneOptions, AnswerTakesEverySetting) {
  const TPhoneOptions options = ParsePhoneOptions(
      {"answer", "--device", "1", "--greeting", "hello.wav", "--messages", "box", "--rings", "20",
       "--max-seconds", "600", "--log", "debug.log", "--calls", "3", "--demo", "--pin", "0042"});
  EXPECT_EQ(options.command, TPhoneCommand::Answer);
  EXPECT_EQ(options.device, 1u);
  EXPECT_EQ(options.greeting, "hello.wav");
  EXPECT_EQ(options.messages, "box");
  EXPECT_EQ(options.rings, 20);
  EXPECT_EQ(options.maxSeconds, 600);
  EXPECT_EQ(options.logFile, "debug.log");
  EXPECT_EQ(options.calls, 3);
  EXPECT_EQ(options.pin, "0042");
  EXPECT_TRUE(options.demo);
  EXPECT_FALSE(options.chooseDevice);
}

TEST(PhoneOptions, DialTakesTheNumberAmongItsOptions) {
  const TPhoneOptions options =
      ParsePhoneOptions({"dial", "--choose", "5551234", "--assisted", "--play", "a.wav"});
  EXPECT_EQ(options.command, TPhoneCommand::Dial);
  EXPECT_EQ(options.number, "5551234");
  EXPECT_TRUE(options.assisted);
  EXPECT_TRUE(options.chooseDevice);
  EXPECT_EQ(options.play, "a.wav");
}

TEST(PhoneOptions, NoArgumentsOrHelpAskForTheUsage) {
  EXPECT_EQ(ParsePhoneOptions({}).command, TPhoneCommand::Help);
  EXPECT_EQ(ParsePhoneOptions({"--help"}).command, TPhoneCommand::Help);
  EXPECT_EQ(ParsePhoneOptions({"devices"}).command, TPhoneCommand::Devices);
}

TEST(PhoneOptions, EveryCommandMayAskForTheSystemsTapi) {
  EXPECT_FALSE(ParsePhoneOptions({"devices"}).systemTapi);
  EXPECT_TRUE(ParsePhoneOptions({"devices", "--system-tapi"}).systemTapi);
  EXPECT_TRUE(ParsePhoneOptions({"answer", "--system-tapi"}).systemTapi);
  EXPECT_TRUE(ParsePhoneOptions({"dial", "--system-tapi", "5551234"}).systemTapi);
}

}  // namespace
