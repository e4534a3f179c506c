// The devices report of corvax-phone when the provider has no line devices at all, as the
// system's TAPI may have (Wine's has none): a clear message, no device dialog, no notice.
#include <gtest/gtest.h>

#include <sstream>

#include "component/Kwtapi.h"
#include "examples/Devices.h"
#include "simulator/Exchange.h"
#include "tests/component/TestSupport.h"

namespace {

TEST(DevicesReport, AProviderWithoutLinesIsReportedPlainly) {
  component_test::TNoticeCapture notices;
  sim::TheExchange().Reset(0);
  std::ostringstream out;
  {
    TkwTAPI tapi(nullptr);
    ListDevices(tapi, "the system's TAPI", out);
  }
  EXPECT_EQ(out.str(),
            "Line devices on the system's TAPI: 0\n"
            "No line devices: the system's TAPI reports none, so there is nothing to open or "
            "choose. Install a modem or another TAPI line device (for SIP lines, the provider's "
            "log says why it has none), or run without --system-tapi or --sip to use the "
            "simulated exchange.\n");
  EXPECT_TRUE(notices.Notices().empty());
  EXPECT_EQ(sim::TheExchange().ApplicationCount(), 0u);
}

}  // namespace
