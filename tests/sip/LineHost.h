// SIP lines started from a configuration the test writes, with an application that holds their
// devices open through the line functions and answers what it is offered.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/tapi32/tapi.h"
#include "providers/sip/SipProvider.h"
#include "simulator/Exchange.h"
#include "tests/component/TestSupport.h"
#include "tests/phone/PhoneHost.h"
#include "tests/sip/Peer.h"

namespace sip_test {

class LineHost : public ::testing::Test {
 protected:
  static constexpr DWORD kVersion = 0x00020000;
  static constexpr DWORD kMessageWaitMs = 10000;

  void SetUp() override { port_ = FreeUdpPort(); }

  void TearDown() override {
    for (HLINE line : open_) lineClose(line);
    if (app_ != 0) lineShutdown(app_);
    provider_.reset();
  }

  // Starts the provider with `lines` (each `listen` is written by this) and opens the devices
  // `open`.
  void Start(const std::string &lines, const std::vector<DWORD> &open) {
    std::ofstream(Path("sip.conf")) << "log = " << Path("sip.log") << "\n" << lines;
    provider_ = std::make_unique<sipnet::SipProvider>(Path("sip.conf"));
    ASSERT_EQ(provider_->StartError(), 0) << provider_->StartReason();
    provider_->Install();
    DWORD devices = 0;
    DWORD version = kVersion;
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    ASSERT_EQ(lineInitializeExA(&app_, 0, nullptr, "trunk test", &devices, &version, &params), 0);
    for (DWORD device : open) {
      HLINE line = 0;
      ASSERT_EQ(lineOpenA(app_, device, &line, kVersion, 0, 0, LINECALLPRIVILEGE_OWNER,
                          LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
                0)
          << "device " << device;
      open_.push_back(line);
    }
  }

  std::string Path(const std::string &name) const { return folder_.Path(name).string(); }
  std::string Listen() const { return "listen = 127.0.0.1:" + std::to_string(port_) + "\n"; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

  // The status line of the answer to an INVITE to `user`.
  std::string Invite(const std::string &user) const {
    const int from = FreeUdpPort();
    return sip_test::Probe(from, port_, sip_test::Invite(from, port_, sip_test::kPcmuOffer, user));
  }

  // The devices with a call that is not idle.
  static std::vector<DWORD> Busy(DWORD devices) {
    std::vector<DWORD> busy;
    for (DWORD device = 0; device < devices; ++device)
      if (sim::TheExchange().ActiveCall(device)) busy.push_back(device);
    return busy;
  }

  // Waits until the devices with a call are `busy` (the call is offered just after the ringing
  // goes out).
  static void ExpectBusy(DWORD devices, const std::vector<DWORD> &busy, const std::string &when) {
    phone_test::WaitUntil([&] { return Busy(devices) == busy; }, "the devices with a call " + when,
                          std::chrono::seconds(5));
  }

  // Waits for the application's next new call and answers it.
  void AnswerNextCall() {
    const auto giveUp =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kMessageWaitMs);
    LINEMESSAGE message{};
    do {
      ASSERT_EQ(lineGetMessage(app_, &message, kMessageWaitMs), 0) << "no new call was offered";
      ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "no new call was offered";
    } while (message.dwMessageID != LINE_APPNEWCALL);
    ASSERT_GT(lineAnswer(static_cast<HCALL>(message.dwParam2), nullptr, 0), 0);
  }

  static bool Connected(DWORD device) {
    const auto call = sim::TheExchange().ActiveCall(device);
    return call && sim::TheExchange().CallState(*call) == LINECALLSTATE_CONNECTED;
  }

  component_test::TScratchFolder folder_;
  int port_ = 0;
  std::unique_ptr<sipnet::SipProvider> provider_;
  HLINEAPP app_ = 0;
  std::vector<HLINE> open_;
};

}  // namespace sip_test
