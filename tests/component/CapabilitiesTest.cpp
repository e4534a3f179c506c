#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/Kwtapi.h"
#include "simulator/Exchange.h"
#include "simulator/Operation.h"
#include "tests/component/TestSupport.h"

namespace {

using namespace component_test;

class CapabilitiesTest : public ::testing::Test {
 protected:
  CapabilitiesTest() : exchange(sim::TheExchange()), component(nullptr) {
    exchange.Reset(3);
    exchange.Line(0).Name("Voice Modem").MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE);
    exchange.Line(1).Name("Automated Modem").Address("5551001");
    exchange.Line(2).Name("ISDN Line");
  }
  ~CapabilitiesTest() override {
    sim::Faults().Clear();
    win32::ClearAllocationFaults();
  }

  // The message of the exception the call raises, or "" when it raises none.
  template <class Call>
  static std::string FailureOf(Call call) {
    try {
      call();
    } catch (Exception &e) {
      return e.Message.c_str();
    }
    return "";
  }

  // Every temporary instance was shut down again.
  void ExpectInstancesShutDown() {
    EXPECT_EQ(exchange.ApplicationCount(), 0u);
    EXPECT_EQ(sim::OperationJournal().Count("lineInitializeExA"),
              sim::OperationJournal().Count("lineShutdown"));
  }

  sim::Exchange &exchange;
  TNoticeCapture boxes;
  TkwTAPI component;
};

TEST_F(CapabilitiesTest, DeviceReportReadsTheChosenDeviceAndKeepsIt) {
  DWORD dwDeviceID = 1;
  LINEDEVCAPS *pCaps = component.GetDeviceCapabilities(dwDeviceID, false);
  ASSERT_NE(pCaps, nullptr);
  EXPECT_EQ(component.GetLineName(pCaps), AnsiString("Automated Modem"));
  EXPECT_EQ(dwDeviceID, 1u);
  EXPECT_TRUE(component.CheckAllowedAutomatedVoice());
  ExpectInstancesShutDown();

  dwDeviceID = 0;
  LINEDEVCAPS *pOther = component.GetDeviceCapabilities(dwDeviceID, false);
  ASSERT_NE(pOther, nullptr);
  EXPECT_EQ(component.GetLineName(pOther), AnsiString("Voice Modem"));
  EXPECT_FALSE(component.CheckAllowedAutomatedVoice());
}

TEST_F(CapabilitiesTest, NoLineDevices) {
  exchange.Reset(0);
  DWORD dwDeviceID = 0;
  EXPECT_EQ(FailureOf([&] { component.GetDeviceCapabilities(dwDeviceID, false); }),
            "Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: No TAPI devices detected");
  EXPECT_EQ(dwDeviceID, 0xFFFFFFFFu);
  dwDeviceID = 0;
  EXPECT_EQ(FailureOf([&] { component.GetAddressCapabilities(dwDeviceID, false); }),
            "Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: No TAPI devices detected");
  EXPECT_EQ(dwDeviceID, 0xFFFFFFFFu);
  ExpectInstancesShutDown();
}

TEST_F(CapabilitiesTest, DeviceBeyondTheLastFailsNegotiation) {
  DWORD dwDeviceID = 7;
  EXPECT_EQ(FailureOf([&] { component.GetDeviceCapabilities(dwDeviceID, false); }),
            "Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: Error: "
            "lineNegotiateAPIVersion failed for device#: 7 Prompt: 0 TapiDeviceCount: 3 TAPI "
            "Version detected: 2.2 msg: LINEERR_BADDEVICEID");
  EXPECT_EQ(dwDeviceID, 0xFFFFFFFFu);
  ExpectInstancesShutDown();
}

TEST_F(CapabilitiesTest, NegotiationFailureNamesTheSignedDeviceIdAndThePrompt) {
  exchange.Reset(1);
  sim::Faults().FailNext("lineNegotiateAPIVersion", LINEERR_NODRIVER);
  DWORD dwDeviceID = 0xFFFFFFFE;
  EXPECT_EQ(FailureOf([&] { component.GetAddressCapabilities(dwDeviceID, true); }),
            "Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: Error: "
            "lineNegotiateAPIVersion failed for device#: 0 Prompt: 1 TapiDeviceCount: 1 TAPI "
            "Version detected: 2.2 msg: LINEERR_NODRIVER");
  dwDeviceID = 0xFFFFFFFE;
  sim::Faults().FailNext("lineNegotiateAPIVersion", LINEERR_NODRIVER);
  EXPECT_EQ(FailureOf([&] { component.GetDeviceCapabilities(dwDeviceID, false); }),
            "Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: Error: "
            "lineNegotiateAPIVersion failed for device#: -2 Prompt: 0 TapiDeviceCount: 1 TAPI "
            "Version detected: 2.2 msg: LINEERR_NODRIVER");
}

TEST_F(CapabilitiesTest, InitialisationFailure) {
  sim::Faults().FailNext("lineInitializeExA", LINEERR_REINIT);
  DWORD dwDeviceID = 0;
  EXPECT_EQ(FailureOf([&] { component.GetDeviceCapabilities(dwDeviceID, false); }),
            "Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: Error: lineInitializeEx "
            "failed: LINEERR_REINIT");
  EXPECT_EQ(dwDeviceID, 0xFFFFFFFFu);
  EXPECT_EQ(exchange.ApplicationCount(), 0u);
}

TEST_F(CapabilitiesTest, TapiOlderThanTwoIsRefused) {
  exchange.SetTapiVersion(0x00010004);
  DWORD dwDeviceID = 0;
  EXPECT_EQ(FailureOf([&] { component.GetDeviceCapabilities(dwDeviceID, false); }),
            "Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: Invalid TAPI version, your "
            "modem MUST support TAPI version 2.0 or higher to use TAPI. Your current TAPI version "
            "is: 1.4 (65540)");
  ExpectInstancesShutDown();
}

TEST_F(CapabilitiesTest, PromptWithOneDeviceTakesItWithoutADialog) {
  exchange.Reset(1);
  exchange.Line(0).Name("Only Line");
  DWORD dwDeviceID = 5;
  LINEDEVCAPS *pCaps = component.GetDeviceCapabilities(dwDeviceID, true);
  ASSERT_NE(pCaps, nullptr);
  EXPECT_EQ(dwDeviceID, 0u);
  EXPECT_EQ(component.GetLineName(pCaps), AnsiString("Only Line"));
}

TEST_F(CapabilitiesTest, LargeDeviceRecordIsReadWithOneRegrowth) {
  exchange.Line(2).DevCapsExtraBytes(1500);
  DWORD dwDeviceID = 2;
  LINEDEVCAPS *pCaps = component.GetDeviceCapabilities(dwDeviceID, false);
  ASSERT_NE(pCaps, nullptr);
  const std::vector<sim::JournalEntry> reads = sim::OperationJournal().Entries("lineGetDevCapsA");
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_GT(pCaps->dwTotalSize, 780u);
  EXPECT_EQ(pCaps->dwTotalSize, pCaps->dwNeededSize);
  EXPECT_EQ(component.GetLineName(pCaps), AnsiString("ISDN Line"));
}

TEST_F(CapabilitiesTest, SmallDeviceRecordIsReadOnce) {
  DWORD dwDeviceID = 0;
  LINEDEVCAPS *pCaps = component.GetDeviceCapabilities(dwDeviceID, false);
  ASSERT_NE(pCaps, nullptr);
  EXPECT_EQ(sim::OperationJournal().Count("lineGetDevCapsA"), 1u);
  EXPECT_EQ(pCaps->dwTotalSize, 780u);
}

TEST_F(CapabilitiesTest, UnreadableDeviceRecordGivesNullAndDropsTheOldOne) {
  DWORD dwDeviceID = 1;
  ASSERT_NE(component.GetDeviceCapabilities(dwDeviceID, false), nullptr);
  sim::Faults().FailNext("lineGetDevCapsA", LINEERR_NOMEM);
  EXPECT_EQ(component.GetDeviceCapabilities(dwDeviceID, false), nullptr);
  EXPECT_FALSE(component.CheckAllowedAutomatedVoice());
  ExpectInstancesShutDown();
}

TEST_F(CapabilitiesTest, DeviceRecordInAnotherStringFormatIsRefused) {
  exchange.Line(1).StringFormat(STRINGFORMAT_UNICODE);
  DWORD dwDeviceID = 1;
  EXPECT_EQ(component.GetDeviceCapabilities(dwDeviceID, false), nullptr);
}

TEST_F(CapabilitiesTest, HeapRefusingTheFirstBlock) {
  CORVAX_REQUIRE_ALLOCATION_FAULTS();
  DWORD dwDeviceID = 0;
  win32::FailNthAllocation(win32::Allocator::Heap, 1);
  EXPECT_EQ(FailureOf([&] { component.GetDeviceCapabilities(dwDeviceID, false); }),
            "Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: Internal Error in "
            "[TkwTAPI::Get_The_LineDevCaps] msg: Not enough memory for a TAPI record of 780 "
            "bytes");
  EXPECT_EQ(dwDeviceID, 0xFFFFFFFFu);
  ExpectInstancesShutDown();
}

TEST_F(CapabilitiesTest, HeapRefusingToGrowTheBlock) {
  CORVAX_REQUIRE_ALLOCATION_FAULTS();
  exchange.Line(0).AddressCapsExtraBytes(5000);
  DWORD dwDeviceID = 0;
  win32::FailNthAllocation(win32::Allocator::Heap, 2);
  const std::string failure =
      FailureOf([&] { component.GetAddressCapabilities(dwDeviceID, false); });
  EXPECT_EQ(failure.rfind("Internal Error in [TkwTAPI::GetDeviceCapabilities] msg: Internal Error "
                          "in [TkwTAPI::Get_The_LineAddressCaps] msg: Not enough memory for a "
                          "TAPI record of ",
                          0),
            0u)
      << failure;
  ExpectInstancesShutDown();
}

TEST_F(CapabilitiesTest, LargeAddressRecordIsReadWithOneRegrowth) {
  exchange.Line(1).AddressCapsExtraBytes(5000);
  DWORD dwDeviceID = 1;
  LINEADDRESSCAPS *pCaps = component.GetAddressCapabilities(dwDeviceID, false);
  ASSERT_NE(pCaps, nullptr);
  EXPECT_EQ(sim::OperationJournal().Count("lineGetAddressCapsA"), 2u);
  EXPECT_GT(pCaps->dwTotalSize, 4324u);
  EXPECT_EQ(pCaps->dwTotalSize, pCaps->dwNeededSize);
  EXPECT_EQ(pCaps->dwLineDeviceID, 1u);
}

TEST_F(CapabilitiesTest, AddressRecordThatFitsIsReadOnceAndFailureGivesNull) {
  DWORD dwDeviceID = 2;
  LINEADDRESSCAPS *pCaps = component.GetAddressCapabilities(dwDeviceID, false);
  ASSERT_NE(pCaps, nullptr);
  EXPECT_EQ(pCaps->dwTotalSize, 4324u);
  EXPECT_EQ(sim::OperationJournal().Count("lineGetAddressCapsA"), 1u);
  sim::Faults().FailNext("lineGetAddressCapsA", LINEERR_OPERATIONFAILED);
  EXPECT_EQ(component.GetAddressCapabilities(dwDeviceID, false), nullptr);
}

// Rows of the device list, one per device id, read through the component.
class DeviceListTest : public CapabilitiesTest {
 protected:
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int i = 0; i < list.Count(); ++i) rows.push_back(list[i].c_str());
    return rows;
  }

  TStringList list;
};

TEST_F(DeviceListTest, NameRules) {
  exchange.Reset(6);
  exchange.Line(0).Name("Voice Modem");
  exchange.Line(1).Name("");
  exchange.Line(2).NoName();
  exchange.Line(3).Name("Fax Line").StringFormat(STRINGFORMAT_UNICODE);
  exchange.Line(4).NameWithoutNul("Modem");
  exchange.Line(5).Name("Modem");
  EXPECT_EQ(component.FillTAPILine(&list, 6), -1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Voice Modem", "Line Name is Empty", "Line Unnamed",
                                              "Line Unnamed", "Mode", "Modem"}));
  ExpectInstancesShutDown();
}

TEST_F(DeviceListTest, UnreadableDeviceStillHasItsRow) {
  sim::Faults().FailNth("lineGetDevCapsA", 2, LINEERR_NODEVICE);
  component.FillTAPILine(&list, 3);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Voice Modem", "Line Unavailable", "ISDN Line"}));
}

TEST_F(DeviceListTest, SharedRecordIsNeverGrown) {
  exchange.Line(1).DevCapsExtraBytes(4000);
  component.FillTAPILine(&list, 3);
  EXPECT_EQ(sim::OperationJournal().Count("lineGetDevCapsA"), 3u);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[2], AnsiString("ISDN Line"));
}

// The version in the text is the one the previous device negotiated.
TEST_F(DeviceListTest, CountBeyondTheDevicesKeepsTheRowsAndRaises) {
  list.Add("stale");
  EXPECT_EQ(FailureOf([&] { component.FillTAPILine(&list, 5); }),
            "Error: lineNegotiateAPIVersion failed for device#: 3 TapiDeviceCount: 3 TAPI "
            "Version detected: 2.0 msg: LINEERR_BADDEVICEID");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Voice Modem", "Automated Modem", "ISDN Line"}));
  ExpectInstancesShutDown();
}

TEST_F(DeviceListTest, CountZeroClearsAndAddsNothing) {
  list.Add("stale");
  EXPECT_EQ(component.FillTAPILine(&list, 0), -1);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(sim::OperationJournal().Count("lineNegotiateAPIVersion"), 0u);
  ExpectInstancesShutDown();
}

TEST_F(DeviceListTest, NoDevicesRaisesTheAbortUnwrapped) {
  exchange.Reset(0);
  EXPECT_EQ(FailureOf([&] { component.FillTAPILine(&list, 1); }), "No TAPI devices detected");
  ExpectInstancesShutDown();
}

// Records built by hand, to hold names that reach past the bytes TAPI filled.
class LineNameTest : public ::testing::Test {
 protected:
  static constexpr DWORD kRecordSize = 300;

  LineNameTest() : component(nullptr), words(kRecordSize / sizeof(DWORD)) {
    Caps().dwTotalSize = kRecordSize;
    Caps().dwUsedSize = kRecordSize;
    Caps().dwStringFormat = STRINGFORMAT_ASCII;
  }

  LINEDEVCAPS &Caps() { return *reinterpret_cast<LINEDEVCAPS *>(words.data()); }
  void PutName(DWORD dwOffset, DWORD dwSize, const std::string &bytes) {
    Caps().dwLineNameOffset = dwOffset;
    Caps().dwLineNameSize = dwSize;
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char *>(words.data()) + dwOffset);
  }

  TkwTAPI component;
  std::vector<DWORD> words;
};

TEST_F(LineNameTest, NullRecordIsUnavailable) {
  EXPECT_EQ(component.GetLineName(nullptr), AnsiString("Line Unavailable"));
}

TEST_F(LineNameTest, NameRunningPastTheRecordIsCutAtItsEnd) {
  PutName(290, 40, "ABCDEFGHIJ");
  EXPECT_EQ(component.GetLineName(&Caps()), AnsiString("ABCDEFGHIJ"));
  Caps().dwLineNameSize = 0xFFFFFFFF;
  EXPECT_EQ(component.GetLineName(&Caps()), AnsiString("ABCDEFGHIJ"));
}

TEST_F(LineNameTest, NameBeyondTheFilledBytesIsNotRead) {
  PutName(280, 8, "Leftover");
  Caps().dwUsedSize = 260;
  EXPECT_EQ(component.GetLineName(&Caps()), AnsiString("Line Name is Empty"));
  Caps().dwUsedSize = 284;
  EXPECT_EQ(component.GetLineName(&Caps()), AnsiString("Left"));
}

TEST_F(LineNameTest, SizeWithoutTheNulLosesTheLastCharacter) {
  PutName(260, 5, "Modem");
  EXPECT_EQ(component.GetLineName(&Caps()), AnsiString("Mode"));
  Caps().dwLineNameSize = 6;
  EXPECT_EQ(component.GetLineName(&Caps()), AnsiString("Modem"));
}

}  // namespace
