// Line devices: version negotiation, capability records and their growth, opening with
// privileges and media modes, status messages.
#include <cstring>
#include <string>
#include <vector>

#include "tests/tapi32/LineFixture.h"

namespace tapi_test {
namespace {

using LineDeviceTest = LineFixture;

// A zero-filled block of `size` bytes announcing all of them, as callers allocate records.
template <class Record>
struct Block {
  explicit Block(DWORD size) : bytes(size) { record()->dwTotalSize = size; }
  Record *record() { return reinterpret_cast<Record *>(bytes.data()); }
  std::string Text(DWORD size, DWORD offset) const {
    return std::string(reinterpret_cast<const char *>(bytes.data()) + offset, size);
  }
  std::vector<char> bytes;
};

TEST_F(LineDeviceTest, NegotiationPicksTheHighestCommonVersion) {
  exchange.Line(0).ApiVersions(0x00010004, 0x00020000);
  const LineApp app = Initialize();
  DWORD version = 0;
  LINEEXTENSIONID extension{1, 2, 3, 4};
  EXPECT_EQ(0, lineNegotiateAPIVersion(app.app, 0, 0x00010003, 0x0FFF0FFF, &version, &extension));
  EXPECT_EQ(0x00020000u, version);
  EXPECT_EQ(0u, extension.dwExtensionID0 | extension.dwExtensionID3);
  EXPECT_EQ(0, lineNegotiateAPIVersion(app.app, 0, 0x00010004, 0x00010004, &version, &extension));
  EXPECT_EQ(0x00010004u, version);
}

TEST_F(LineDeviceTest, TheTapiVersionCapsNegotiation) {
  exchange.Line(0).ApiVersions(0x00010003, 0x00030000);
  exchange.SetTapiVersion(0x00020001);
  const LineApp app = Initialize();
  DWORD version = 0;
  LINEEXTENSIONID extension{};
  EXPECT_EQ(0, lineNegotiateAPIVersion(app.app, 0, 0x00010003, 0x0FFF0FFF, &version, &extension));
  EXPECT_EQ(0x00020001u, version);
}

TEST_F(LineDeviceTest, NegotiationFailures) {
  exchange.Line(0).ApiVersions(0x00020000, 0x00020000);
  const LineApp app = Initialize();
  DWORD version = 0x1234;
  LINEEXTENSIONID extension{};
  EXPECT_EQ(LINEERR_INCOMPATIBLEAPIVERSION,
            lineNegotiateAPIVersion(app.app, 0, 0x00010004, 0x00010004, &version, &extension));
  EXPECT_EQ(0x1234u, version);
  EXPECT_EQ(LINEERR_BADDEVICEID,
            lineNegotiateAPIVersion(app.app, 1, 0x00010003, 0x0FFF0FFF, &version, &extension));
  EXPECT_EQ(LINEERR_BADDEVICEID, lineNegotiateAPIVersion(app.app, 0xFFFFFFFF, 0x00010003,
                                                         0x0FFF0FFF, &version, &extension));
  EXPECT_EQ(LINEERR_INVALAPPHANDLE,
            lineNegotiateAPIVersion(app.app + 1, 0, 0x00010003, 0x0FFF0FFF, &version, &extension));
}

TEST_F(LineDeviceTest, DevCapsDescribeTheDevice) {
  exchange.Line(0).Name("Office").MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE);
  const LineApp app = Initialize();
  Block<LINEDEVCAPS> caps(780);
  ASSERT_EQ(0, lineGetDevCapsA(app.app, 0, 0x00020000, 0, caps.record()));
  const LINEDEVCAPS &c = *caps.record();
  EXPECT_EQ(780u, c.dwTotalSize);
  EXPECT_EQ(c.dwNeededSize, c.dwUsedSize);
  EXPECT_EQ(STRINGFORMAT_ASCII, c.dwStringFormat);
  EXPECT_EQ(std::string("Office", 7), caps.Text(c.dwLineNameSize, c.dwLineNameOffset));
  EXPECT_EQ(static_cast<DWORD>(LINEMEDIAMODE_INTERACTIVEVOICE), c.dwMediaModes);
  EXPECT_EQ(static_cast<DWORD>(LINEADDRESSMODE_ADDRESSID), c.dwAddressModes);
  EXPECT_NE(0u, c.dwLineStates & LINEDEVSTATE_RINGING);
  EXPECT_EQ(static_cast<DWORD>(LINETONEMODE_BEEP), c.dwGenerateToneModes);
}

TEST_F(LineDeviceTest, NameVariantsAsTheRecordCarriesThem) {
  exchange.Reset(5);
  exchange.Line(0).NameWithoutNul("Modem");
  exchange.Line(1).Name("");
  exchange.Line(2).NoName();
  exchange.Line(3).Name("Wide").StringFormat(STRINGFORMAT_UNICODE);
  const LineApp app = Initialize();
  std::vector<std::string> names;
  for (DWORD id = 0; id < 4; ++id) {
    Block<LINEDEVCAPS> caps(1292);
    ASSERT_EQ(0, lineGetDevCapsA(app.app, id, 0x00020000, 0, caps.record()));
    names.push_back(caps.Text(caps.record()->dwLineNameSize, caps.record()->dwLineNameOffset));
  }
  EXPECT_EQ("Modem", names[0]);
  EXPECT_EQ(std::string(1, '\0'), names[1]);
  EXPECT_EQ("", names[2]);
  EXPECT_EQ(std::string("W\0i\0d\0e\0\0\0", 10), names[3]);
}

TEST_F(LineDeviceTest, ARecordTooSmallForItsDataSaysWhatItNeeds) {
  exchange.Line(0).DevCapsExtraBytes(1000);
  const LineApp app = Initialize();
  Block<LINEDEVCAPS> first(780);
  ASSERT_EQ(0, lineGetDevCapsA(app.app, 0, 0x00020000, 0, first.record()));
  const DWORD needed = first.record()->dwNeededSize;
  EXPECT_GT(needed, 780u);
  EXPECT_LE(first.record()->dwUsedSize, 780u);
  EXPECT_EQ(0u, first.record()->dwDevSpecificSize);

  Block<LINEDEVCAPS> grown(needed);
  ASSERT_EQ(0, lineGetDevCapsA(app.app, 0, 0x00020000, 0, grown.record()));
  EXPECT_EQ(needed, grown.record()->dwUsedSize);
  EXPECT_EQ(1000u, grown.record()->dwDevSpecificSize);
  EXPECT_EQ(std::string("Corvax Simulated Line 0", 24),
            grown.Text(grown.record()->dwLineNameSize, grown.record()->dwLineNameOffset));
}

TEST_F(LineDeviceTest, ABlockBelowTheFixedSizeIsStructureTooSmall) {
  const LineApp app = Initialize();
  Block<LINEDEVCAPS> caps(100);
  EXPECT_EQ(LINEERR_STRUCTURETOOSMALL, lineGetDevCapsA(app.app, 0, 0x00020000, 0, caps.record()));
  EXPECT_GT(caps.record()->dwNeededSize, sizeof(LINEDEVCAPS));
  EXPECT_EQ(0u, caps.record()->dwLineNameSize);
}

TEST_F(LineDeviceTest, AddressCapsGrowPastTheirFirstGuess) {
  exchange.Line(0).AddressCapsExtraBytes(5000).Address("5550100");
  const LineApp app = Initialize();
  Block<LINEADDRESSCAPS> first(4324);
  ASSERT_EQ(0, lineGetAddressCapsA(app.app, 0, 0, 0x00020000, 0, first.record()));
  const DWORD needed = first.record()->dwNeededSize;
  EXPECT_GT(needed, 4324u);
  Block<LINEADDRESSCAPS> grown(needed);
  ASSERT_EQ(0, lineGetAddressCapsA(app.app, 0, 0, 0x00020000, 0, grown.record()));
  const LINEADDRESSCAPS &c = *grown.record();
  EXPECT_EQ(needed, c.dwUsedSize);
  EXPECT_EQ(std::string("5550100", 8), grown.Text(c.dwAddressSize, c.dwAddressOffset));
  EXPECT_EQ(0u, c.dwLineDeviceID);
  EXPECT_EQ(LINEERR_INVALADDRESSID,
            lineGetAddressCapsA(app.app, 0, 1, 0x00020000, 0, grown.record()));
}

TEST_F(LineDeviceTest, CapsNeedASupportedVersionAndNoExtension) {
  exchange.Line(0).ApiVersions(0x00010004, 0x00020000);
  const LineApp app = Initialize();
  Block<LINEDEVCAPS> caps(780);
  EXPECT_EQ(LINEERR_INCOMPATIBLEAPIVERSION,
            lineGetDevCapsA(app.app, 0, 0x00010003, 0, caps.record()));
  EXPECT_EQ(LINEERR_INCOMPATIBLEAPIVERSION,
            lineGetDevCapsA(app.app, 0, 0x00020001, 0, caps.record()));
  EXPECT_EQ(LINEERR_INCOMPATIBLEEXTVERSION,
            lineGetDevCapsA(app.app, 0, 0x00020000, 1, caps.record()));
  EXPECT_EQ(LINEERR_BADDEVICEID, lineGetDevCapsA(app.app, 1, 0x00020000, 0, caps.record()));
}

TEST_F(LineDeviceTest, OpenChecksPrivilegesAndMediaModes) {
  exchange.Line(0).MediaModes(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM);
  const LineApp app = Initialize();
  HLINE line = 0;
  EXPECT_EQ(LINEERR_INVALMEDIAMODE,
            lineOpenA(app.app, 0, &line, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
                      LINEMEDIAMODE_AUTOMATEDVOICE, nullptr));
  EXPECT_EQ(LINEERR_INVALMEDIAMODE,
            lineOpenA(app.app, 0, &line, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER, 0, nullptr));
  EXPECT_EQ(LINEERR_INVALPRIVSELECT,
            lineOpenA(app.app, 0, &line, 0x00020000, 0, 0, 0, LINEMEDIAMODE_DATAMODEM, nullptr));
  EXPECT_EQ(0u, line);
  // A monitor does not own media modes, so the device does not judge them.
  EXPECT_EQ(0, lineOpenA(app.app, 0, &line, 0x00020000, 0, 0, LINECALLPRIVILEGE_MONITOR,
                         LINEMEDIAMODE_AUTOMATEDVOICE, nullptr));
  EXPECT_NE(0u, line);
  EXPECT_EQ(0, lineOpenA(app.app, 0, &line, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
                         LINEMEDIAMODE_DATAMODEM, nullptr));
  EXPECT_EQ(2u, exchange.OpenLineCount(0));
}

TEST_F(LineDeviceTest, OpenAnswerDecidesForTheDevice) {
  exchange.Line(0).OpenAnswer([](DWORD privileges, DWORD media) -> LONG {
    return privileges == LINECALLPRIVILEGE_OWNER && media == LINEMEDIAMODE_DATAMODEM
               ? 0
               : LINEERR_INVALMEDIAMODE;
  });
  const LineApp app = Initialize();
  HLINE line = 0;
  EXPECT_EQ(LINEERR_INVALMEDIAMODE, lineOpenA(app.app, 0, &line, 0x00020000, 0, 0, 6,
                                              LINEMEDIAMODE_INTERACTIVEVOICE, nullptr));
  EXPECT_EQ(0, lineOpenA(app.app, 0, &line, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
                         LINEMEDIAMODE_DATAMODEM, nullptr));
}

TEST_F(LineDeviceTest, StatusMessagesAcceptOnlyWhatTheDeviceReports) {
  exchange.Line(0)
      .LineStates(LINEDEVSTATE_RINGING | LINEDEVSTATE_OTHER)
      .AddressStates(LINEADDRESSSTATE_OTHER);
  const LineApp app = Initialize();
  const HLINE line = Open(app);
  EXPECT_EQ(LINEERR_INVALLINESTATE, lineSetStatusMessages(line, LINEDEVSTATE_CONNECTED, 0));
  EXPECT_EQ(LINEERR_INVALADDRESSSTATE,
            lineSetStatusMessages(line, LINEDEVSTATE_RINGING, LINEADDRESSSTATE_NUMCALLS));
  EXPECT_EQ(0, lineSetStatusMessages(line, LINEDEVSTATE_RINGING, LINEADDRESSSTATE_OTHER));
  EXPECT_EQ(LINEERR_INVALLINEHANDLE, lineSetStatusMessages(line + 1, 0, 0));
}

TEST_F(LineDeviceTest, RingsReachOnlyLinesThatAskedForThem) {
  const LineApp quiet = Initialize("quiet");
  const LineApp listening = Initialize("listening");
  Open(quiet);
  OpenWithStatus(listening);
  exchange.Ring(0, 1);
  EXPECT_TRUE(Drain(quiet).empty());
  EXPECT_EQ(1u, Drain(listening).size());
}

TEST_F(LineDeviceTest, CloseReleasesTheLineOnce) {
  const LineApp app = Initialize();
  const HLINE line = Open(app);
  EXPECT_EQ(0, lineClose(line));
  EXPECT_EQ(0u, exchange.OpenLineCount(0));
  EXPECT_EQ(LINEERR_INVALLINEHANDLE, lineClose(line));
}

}  // namespace
}  // namespace tapi_test
