#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "component/Kwtapi.h"
#include "tests/component/TestSupport.h"

namespace {

using namespace component_test;

// Stands in for the end handler of an open: raises the failure and reports it from the
// handler that caught it.
class TOpenFailureProbe : public TkwTAPI {
 public:
  TOpenFailureProbe() : TkwTAPI(nullptr) {}

  template <class Failure>
  void Fail(Failure failure, int iSection, bool bSuppressErrors) {
    try {
      throw failure;
    } catch (...) {
      ReportOpenFailure(iSection, bSuppressErrors);
    }
  }
};

class TErrorSink {
 public:
  void OnTapiError(AnsiString asErrorDesc, int iErrorSection, int iFunctionID) {
    received.emplace_back(asErrorDesc.c_str(), iErrorSection, iFunctionID);
  }
  void Throwing(AnsiString, int, int) { throw std::runtime_error("from the host"); }

  std::vector<std::tuple<std::string, int, int>> received;
};

class OpenFailureReportTest : public ::testing::Test {
 protected:
  OpenFailureReportTest() {
    probe.DebugLogFile = AnsiString(folder.Path("debug.log").string().c_str());
  }

  std::string Log() { return ReadFile(folder.Path("debug.log")); }

  TNoticeCapture boxes;
  TFixedNow fixedNow;
  TScratchFolder folder;
  TOpenFailureProbe probe;
  TErrorSink sink;
};

TEST_F(OpenFailureReportTest, AbortGoesToTheHandlerWithItsMessageAndSection) {
  probe.OnTapiError = TTapiErrorEvent(&sink, &TErrorSink::OnTapiError);
  probe.Fail(EAbort("No TAPI devices detected"), 1, false);
  ASSERT_EQ(sink.received.size(), 1u);
  EXPECT_EQ(sink.received[0], std::make_tuple(std::string("No TAPI devices detected"), 1, 1));
  EXPECT_TRUE(boxes.Notices().empty());
  EXPECT_EQ(Log(),
            "ERROR in [TkwTAPI::OpenDevice] msg: No TAPI devices detected - "
            "2002/05/17 14:03:09\n");
}

TEST_F(OpenFailureReportTest, AbortWithoutHandlerShowsNothing) {
  probe.Fail(EAbort("No TAPI devices detected"), 1, false);
  EXPECT_TRUE(boxes.Notices().empty());
  EXPECT_EQ(Log(),
            "ERROR in [TkwTAPI::OpenDevice] msg: No TAPI devices detected - "
            "2002/05/17 14:03:09\n");
}

TEST_F(OpenFailureReportTest, OtherExceptionWithoutHandlerShowsTheInternalErrorBox) {
  probe.Fail(Exception("List index out of bounds"), 2, false);
  const std::vector<TNotice> notices = boxes.Notices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].caption, "ERROR");
  EXPECT_EQ(notices[0].text,
            "Internal Error in [TkwTAPI::OpenDevice] msg: List index out of bounds");
  EXPECT_EQ(notices[0].style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(Log(),
            "ERROR in [TkwTAPI::OpenDevice] msg: List index out of bounds - "
            "2002/05/17 14:03:09\n");
}

TEST_F(OpenFailureReportTest, OtherExceptionWithHandlerGoesToTheHandlerOnly) {
  probe.OnTapiError = TTapiErrorEvent(&sink, &TErrorSink::OnTapiError);
  probe.Fail(Exception("List index out of bounds"), 3, false);
  ASSERT_EQ(sink.received.size(), 1u);
  EXPECT_EQ(sink.received[0], std::make_tuple(std::string("List index out of bounds"), 3, 1));
  EXPECT_TRUE(boxes.Notices().empty());
}

TEST_F(OpenFailureReportTest, UnknownFailureHasItsOwnTexts) {
  probe.Fail(42, 0, false);
  const std::vector<TNotice> notices = boxes.Notices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].caption, "ERROR");
  EXPECT_EQ(notices[0].text, "UNKNOWN Internal Error in [TkwTAPI::OpenDevice]");
  EXPECT_EQ(Log(), "UNKNOWN ERROR in [TkwTAPI::OpenDevice] - 2002/05/17 14:03:09\n");

  probe.OnTapiError = TTapiErrorEvent(&sink, &TErrorSink::OnTapiError);
  probe.Fail(42, 4, false);
  ASSERT_EQ(sink.received.size(), 1u);
  EXPECT_EQ(sink.received[0], std::make_tuple(std::string("UNKNOWN ERROR"), 4, 1));
  EXPECT_EQ(boxes.Notices().size(), 1u);
}

TEST_F(OpenFailureReportTest, SuppressedFailuresOnlyReachTheLog) {
  probe.Fail(Exception("boom"), 2, true);
  probe.OnTapiError = TTapiErrorEvent(&sink, &TErrorSink::OnTapiError);
  probe.Fail(EAbort("No TAPI devices detected"), 1, true);
  probe.Fail(42, 5, true);
  EXPECT_TRUE(sink.received.empty());
  EXPECT_TRUE(boxes.Notices().empty());
  EXPECT_EQ(Log(),
            "ERROR in [TkwTAPI::OpenDevice] msg: boom - 2002/05/17 14:03:09\n"
            "ERROR in [TkwTAPI::OpenDevice] msg: No TAPI devices detected - 2002/05/17 14:03:09\n"
            "UNKNOWN ERROR in [TkwTAPI::OpenDevice] - 2002/05/17 14:03:09\n");
}

TEST_F(OpenFailureReportTest, AnExceptionFromTheHostsHandlerPassesOn) {
  probe.OnTapiError = TTapiErrorEvent(&sink, &TErrorSink::Throwing);
  EXPECT_THROW(probe.Fail(EAbort("No TAPI devices detected"), 1, false), std::runtime_error);
}

}  // namespace
