// Line-application instances: initialisation, the event-handle message queue, shutdown.
#include <chrono>
#include <future>

#include "tests/support/Waits.h"
#include "tests/tapi32/LineFixture.h"

namespace tapi_test {
namespace {

using LineAppTest = LineFixture;

TEST_F(LineAppTest, InitializeReportsDevicesVersionAndAnUnsignalledEvent) {
  exchange.AddLine();
  exchange.SetTapiVersion(0x00020001);
  const LineApp app = Initialize();
  EXPECT_NE(0u, app.app);
  EXPECT_EQ(2u, app.devices);
  EXPECT_EQ(0x00020001u, app.version);
  ASSERT_NE(HANDLE{}, app.event);
  EXPECT_FALSE(Signalled(app.event));
}

TEST_F(LineAppTest, InitializeRefusesWhatItCannotDo) {
  HLINEAPP app = 0;
  DWORD devices = 0;
  DWORD version = 0x00020000;
  LINEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = sizeof params - 1;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  EXPECT_EQ(LINEERR_STRUCTURETOOSMALL,
            lineInitializeExA(&app, 0, nullptr, nullptr, &devices, &version, &params));
  params.dwTotalSize = sizeof params;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
  EXPECT_EQ(LINEERR_OPERATIONUNAVAIL,
            lineInitializeExA(&app, 0, nullptr, nullptr, &devices, &version, &params));
  params.dwOptions = 7;
  EXPECT_EQ(LINEERR_INVALPARAM,
            lineInitializeExA(&app, 0, nullptr, nullptr, &devices, &version, &params));
  params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  EXPECT_EQ(LINEERR_INVALPOINTER,
            lineInitializeExA(nullptr, 0, nullptr, nullptr, &devices, &version, &params));
  EXPECT_EQ(0u, exchange.ApplicationCount());
}

TEST_F(LineAppTest, NoDevicesIsNotAnError) {
  exchange.Reset(0);
  const LineApp app = Initialize();
  EXPECT_EQ(0u, app.devices);
  EXPECT_EQ(0, lineShutdown(app.app));
}

TEST_F(LineAppTest, ShutdownEndsTheInstanceItsLinesAndItsEvent) {
  const LineApp app = Initialize();
  Open(app);
  ASSERT_EQ(1u, exchange.OpenLineCount(0));
  EXPECT_EQ(0, lineShutdown(app.app));
  EXPECT_EQ(0u, exchange.OpenLineCount(0));
  EXPECT_EQ(0u, exchange.ApplicationCount());
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(app.event, 0));
  EXPECT_EQ(LINEERR_INVALAPPHANDLE, lineShutdown(app.app));
  LINEMESSAGE message{};
  EXPECT_EQ(LINEERR_INVALAPPHANDLE, lineGetMessage(app.app, &message, 0));
}

TEST_F(LineAppTest, EventIsSignalledWhileMessagesWaitAndResetWhenTheQueueEmpties) {
  const LineApp app = Initialize();
  OpenWithStatus(app);
  exchange.Ring(0, 1);
  exchange.Ring(0, 2);
  EXPECT_TRUE(Signalled(app.event));
  LINEMESSAGE message{};
  ASSERT_EQ(0, lineGetMessage(app.app, &message, 0));
  EXPECT_TRUE(Is(message, LINE_LINEDEVSTATE, LINEDEVSTATE_RINGING, 0, 1));
  EXPECT_TRUE(Signalled(app.event));
  ASSERT_EQ(0, lineGetMessage(app.app, &message, 0));
  EXPECT_TRUE(Is(message, LINE_LINEDEVSTATE, LINEDEVSTATE_RINGING, 0, 2));
  EXPECT_FALSE(Signalled(app.event));
  EXPECT_EQ(LINEERR_OPERATIONFAILED, lineGetMessage(app.app, &message, 0));
}

TEST_F(LineAppTest, EachInstanceHasItsOwnQueue) {
  const LineApp first = Initialize("first");
  const LineApp second = Initialize("second");
  OpenWithStatus(first);
  exchange.Ring(0, 1);
  EXPECT_TRUE(Signalled(first.event));
  EXPECT_FALSE(Signalled(second.event));
  EXPECT_EQ(1u, Drain(first).size());
  EXPECT_TRUE(Drain(second).empty());
}

TEST_F(LineAppTest, MessagesCarryTheLineHandleAndCallbackInstance) {
  const LineApp app = Initialize();
  const HLINE line = Open(app, 0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE, 77);
  ASSERT_EQ(0, lineSetStatusMessages(line, LINEDEVSTATE_RINGING, 0));
  exchange.Ring(0, 3);
  const auto messages = Drain(app);
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(line, messages[0].hDevice);
  EXPECT_EQ(77u, messages[0].dwCallbackInstance);
}

TEST_F(LineAppTest, ABlockedReaderWakesWhenAMessageArrives) {
  const LineApp app = Initialize();
  OpenWithStatus(app);
  LINEMESSAGE message{};
  auto reader = std::async(std::launch::async, [&] {
    return lineGetMessage(app.app, &message, test_support::kLongWaitMs);
  });
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(test_support::kStillWaitingMs)),
            std::future_status::timeout)
      << "the reader did not wait for a message";
  exchange.Ring(0, 5);
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(test_support::kLongWaitMs)),
            std::future_status::ready)
      << "the reader was not woken by the message";
  EXPECT_EQ(0, reader.get());
  EXPECT_TRUE(Is(message, LINE_LINEDEVSTATE, LINEDEVSTATE_RINGING, 0, 5));
}

TEST_F(LineAppTest, AReaderBlockedAtShutdownIsReleased) {
  const LineApp app = Initialize();
  LINEMESSAGE message{};
  auto reader = std::async(std::launch::async, [&] {
    return lineGetMessage(app.app, &message, test_support::kLongWaitMs);
  });
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(test_support::kStillWaitingMs)),
            std::future_status::timeout)
      << "the reader did not wait for a message";
  EXPECT_EQ(0, lineShutdown(app.app));
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(test_support::kLongWaitMs)),
            std::future_status::ready)
      << "the reader was not released by the shutdown";
  EXPECT_EQ(LINEERR_INVALAPPHANDLE, reader.get());
}

TEST_F(LineAppTest, AWaitOnTheEventAndTheStopEventReportsTheEventFirst) {
  const LineApp app = Initialize();
  OpenWithStatus(app);
  const HANDLE stop = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  exchange.Ring(0, 1);
  const HANDLE handles[2] = {app.event, stop};
  EXPECT_TRUE(test_support::Waited(
      WAIT_OBJECT_0, WaitForMultipleObjects(2, handles, FALSE, test_support::kLongWaitMs),
      "the instance's event"));
  Drain(app);
  EXPECT_TRUE(test_support::Waited(
      WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, handles, FALSE, test_support::kLongWaitMs),
      "the stop event"));
  CloseHandle(stop);
}

class CountingProvider : public sim::Exchange {
 public:
  LONG LineShutdown(HLINEAPP app) override {
    ++shutdowns;
    return sim::Exchange::LineShutdown(app);
  }
  int shutdowns = 0;
};

TEST_F(LineAppTest, AnInstalledProviderReceivesTheLineFunctions) {
  CountingProvider provider;
  TapiProvider *previous = SetTapiProvider(&provider);
  const LineApp app = Initialize();
  EXPECT_EQ(0u, exchange.ApplicationCount());
  EXPECT_EQ(0, lineShutdown(app.app));
  SetTapiProvider(previous);
  EXPECT_EQ(1, provider.shutdowns);
  EXPECT_EQ(&exchange, &CurrentTapiProvider());
}

}  // namespace
}  // namespace tapi_test
