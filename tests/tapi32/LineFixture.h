// A fresh simulated exchange for each test, and the few steps every line test repeats:
// initialising an application, opening a line, reading its messages.
#pragma once

#include <gtest/gtest.h>
#include <tapi.h>
#include <windows.h>

#include <vector>

#include "simulator/Exchange.h"

namespace tapi_test {

struct LineApp {
  HLINEAPP app = 0;
  DWORD devices = 0;
  DWORD version = 0;
  HANDLE event = 0;
};

class LineFixture : public ::testing::Test {
 protected:
  void SetUp() override { exchange.Reset(); }
  void TearDown() override { exchange.Reset(); }

  LineApp Initialize(LPCSTR name = "Line test") {
    LineApp result;
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    result.version = 0x00020000;
    EXPECT_EQ(0, lineInitializeExA(&result.app, 0, nullptr, name, &result.devices, &result.version,
                                   &params));
    result.event = params.Handles.hEvent;
    return result;
  }

  HLINE Open(const LineApp &app, DWORD device = 0,
             DWORD privileges = LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR,
             DWORD mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE, DWORD callbackInstance = 0) {
    HLINE line = 0;
    EXPECT_EQ(0, lineOpenA(app.app, device, &line, 0x00020000, 0, callbackInstance, privileges,
                           mediaModes, nullptr));
    return line;
  }

  // Opens the line and enables every line state the device reports, as the component does.
  HLINE OpenWithStatus(const LineApp &app, DWORD device = 0,
                       DWORD privileges = LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR,
                       DWORD mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE) {
    const HLINE line = Open(app, device, privileges, mediaModes);
    LINEDEVCAPS caps{};
    caps.dwTotalSize = sizeof caps;
    EXPECT_EQ(0, lineGetDevCapsA(app.app, device, 0x00020000, 0, &caps));
    EXPECT_EQ(0, lineSetStatusMessages(line, caps.dwLineStates, 0));
    return line;
  }

  // Every message waiting for the application, in order.
  static std::vector<LINEMESSAGE> Drain(const LineApp &app) {
    std::vector<LINEMESSAGE> messages;
    LINEMESSAGE message{};
    while (lineGetMessage(app.app, &message, 0) == 0) messages.push_back(message);
    return messages;
  }

  static bool Signalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

  sim::Exchange &exchange = sim::TheExchange();
};

// Matches a message by id and its three parameters.
inline bool Is(const LINEMESSAGE &message, DWORD id, DWORD param1, DWORD param2 = 0,
               DWORD param3 = 0) {
  return message.dwMessageID == id && message.dwParam1 == param1 && message.dwParam2 == param2 &&
         message.dwParam3 == param3;
}

}  // namespace tapi_test
