// A component on the simulated exchange, its debug log, and a host that records every event
// with the thread it ran on.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "component/Kwtapi.h"
#include "simulator/Exchange.h"
#include "simulator/Operation.h"
#include "tests/component/TestSupport.h"

namespace calls_test {

// Each event as one line of text, e.g. "offering 65537 1 4", and whether it ran on the main
// thread.
class THost {
 public:
  void Attach(TkwTAPI &component);

  void OnTapiError(AnsiString asErrorDesc, int iErrorSection, int iFunctionID);
  void OnCallerID(AnsiString asName, AnsiString asNumber, int iCallType, HCALL hCall);
  void OnCalledPartyID(AnsiString asName, AnsiString asNumber, int iCallType);
  void OnConnected(AnsiString asAppName, DWORD dwBearerMode, DWORD dwMediaMode, DWORD dwRate,
                   AnsiString asCalledPartyName, AnsiString asComments, HCALL hCall);
  void OnDisconnected(HCALL hCall);
  void OnCallInfo(LINEMESSAGE *cbData, LINECALLINFO *pLineCallInfo);
  void OnRing(int iRingCount, const HCALL &hCall);
  void OnReply(int iRequestID, int iStatus);
  void OnOffering(HCALL hCall, int iOfferingMode, int iCallPrivaledge);
  void OnDigit(TObject *Sender, HCALL hCall, char cDigit);

  std::vector<std::string> events;
  bool allOnMainThread = true;
  HCALL hLastCall = 0;
  // The call of the latest LINE_CALLSTATE: how a host learns the handle of a call it placed.
  HCALL hStateCall = 0;
  std::function<void(const std::string &)> after;

 private:
  const TObject *pComponent = nullptr;
  void Add(const std::string &event);
};

class CallsTest : public ::testing::Test {
 protected:
  CallsTest();
  ~CallsTest() override;

  // The debug log's lines without their time stamps.
  std::vector<std::string> LogLines() const;
  void PumpUntil(const std::function<bool()> &done);
  // Opens device 0 without the dialog; the test fails when the open does.
  void Open();
  // Nothing of the exchange is held any more: lines, instances, call handles.
  void ExpectNothingLeft() const;

  component_test::TNoticeCapture boxes;
  component_test::TFixedNow fixedNow;
  component_test::TScratchFolder folder;
  sim::Exchange &exchange;
  std::unique_ptr<TkwTAPI> component;
  THost host;
};

}  // namespace calls_test
