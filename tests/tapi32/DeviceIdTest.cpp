// lineGetIDA: the wave devices of a line and the modem's communications handle.
#include <cstring>
#include <string>
#include <vector>

#include "platform/winmm/HandleNumber.h"
#include "tests/component/TestSupport.h"
#include "tests/tapi32/LineFixture.h"

namespace tapi_test {
namespace {

class DeviceIdTest : public LineFixture {
 protected:
  void SetUp() override {
    LineFixture::SetUp();
    exchange.AddLine();
    app = Initialize();
    line = Open(app, 1);
  }

  // The answer's string, or the error.
  LONG GetId(const char *deviceClass, std::vector<char> &block, DWORD size = 1024,
             DWORD select = LINECALLSELECT_LINE, HCALL call = 0) {
    block.assign(size, 0);
    id()->dwTotalSize = size;
    return lineGetIDA(line, 0, call, select, id(), deviceClass);
  }

  VARSTRING *id() { return reinterpret_cast<VARSTRING *>(answer.data()); }

  DWORD Word() {
    DWORD value = 0;
    std::memcpy(&value, answer.data() + id()->dwStringOffset, sizeof value);
    return value;
  }

  LineApp app;
  HLINE line = 0;
  std::vector<char> answer;
};

TEST_F(DeviceIdTest, WaveDevicesFollowTheLineByDefault) {
  ASSERT_EQ(0, GetId("wave/out", answer));
  EXPECT_EQ(static_cast<DWORD>(STRINGFORMAT_BINARY), id()->dwStringFormat);
  EXPECT_EQ(sizeof(DWORD), id()->dwStringSize);
  EXPECT_EQ(1u, Word());
  ASSERT_EQ(0, GetId("WAVE/IN", answer));
  EXPECT_EQ(1u, Word());
  EXPECT_EQ((std::vector<UINT>{0, 1}), exchange.WaveOutIds());
}

TEST_F(DeviceIdTest, ConfiguredAndAbsentWaveDevices) {
  exchange.Line(1).WaveOut(7).NoWaveIn();
  ASSERT_EQ(0, GetId("wave/out", answer));
  EXPECT_EQ(7u, Word());
  EXPECT_EQ(LINEERR_NODEVICE, GetId("wave/in", answer));
  EXPECT_EQ(std::optional<UINT>(7), exchange.WaveOutId(1));
  EXPECT_EQ(std::nullopt, exchange.WaveInId(1));
  EXPECT_EQ((std::vector<UINT>{0, 7}), exchange.WaveOutIds());
  EXPECT_EQ((std::vector<UINT>{0}), exchange.WaveInIds());
  EXPECT_EQ(LINEERR_NODEVICE, GetId("midi/out", answer));
}

TEST_F(DeviceIdTest, TheModemHandleComesWithThePortName) {
  CORVAX_REQUIRE_COMM_PORT();
  exchange.Line(1).CommPortName("COM7");
  ASSERT_EQ(0, GetId("comm/datamodem", answer));
  const HANDLE port = winmm::HandleFromParameter<HANDLE>(Word());
  EXPECT_NE(HANDLE{}, port);
  EXPECT_EQ(sizeof(HANDLE) + 5, id()->dwStringSize);
  EXPECT_STREQ("COM7", answer.data() + id()->dwStringOffset + sizeof(HANDLE));
  EXPECT_TRUE(CloseHandle(port));
  EXPECT_FALSE(CloseHandle(port));
}

TEST_F(DeviceIdTest, ARecordTooSmallGetsNoHandleButTheSizeItNeeds) {
  CORVAX_REQUIRE_COMM_PORT();
  ASSERT_EQ(0, GetId("comm/datamodem", answer, sizeof(VARSTRING) + 2));
  EXPECT_EQ(0u, id()->dwStringSize);
  const DWORD needed = id()->dwNeededSize;
  EXPECT_GT(needed, sizeof(VARSTRING) + 2);
  ASSERT_EQ(0, GetId("comm/datamodem", answer, needed));
  EXPECT_EQ(needed, id()->dwUsedSize);
  EXPECT_TRUE(CloseHandle(winmm::HandleFromParameter<HANDLE>(Word())));
  EXPECT_EQ(LINEERR_STRUCTURETOOSMALL, GetId("wave/out", answer, 8));
}

TEST_F(DeviceIdTest, ACallSelectsItsOwnLine) {
  exchange.OfferCall(1);
  HCALL call = 0;
  for (const LINEMESSAGE &message : Drain(app)) {
    if (message.dwMessageID == LINE_APPNEWCALL) call = message.dwParam2;
  }
  ASSERT_NE(0u, call);
  ASSERT_EQ(0, GetId("wave/in", answer, 1024, LINECALLSELECT_CALL, call));
  EXPECT_EQ(1u, Word());
  EXPECT_EQ(LINEERR_INVALCALLHANDLE, GetId("wave/in", answer, 1024, LINECALLSELECT_CALL, 0));
  EXPECT_EQ(LINEERR_INVALCALLSELECT, GetId("wave/in", answer, 1024, 3));
}

}  // namespace
}  // namespace tapi_test
