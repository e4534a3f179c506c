#include "tests/calls/CallsFixture.h"

#include <sstream>

#include "platform/win32/MemoryFaults.h"
#include "tests/PumpMessages.h"

namespace calls_test {

void THost::Attach(TkwTAPI &c) {
  c.OnTapiError = TTapiErrorEvent(this, &THost::OnTapiError);
  c.OnCallerIDEvent = TCallerIDEvent(this, &THost::OnCallerID);
  c.OnCalledPartyIDEvent = TCalledPartyIDEvent(this, &THost::OnCalledPartyID);
  c.OnCallConnectedEvent = TCallConnectedEvent(this, &THost::OnConnected);
  c.OnCallDisconnectedEvent = TCallDisconnectedEvent(this, &THost::OnDisconnected);
  c.OnCallInfoEvent = TCallInfoEvent(this, &THost::OnCallInfo);
  c.OnCallRingEvent = TCallRingEvent(this, &THost::OnRing);
  c.OnCallLineReplyEvent = TCallLineReplyEvent(this, &THost::OnReply);
  c.OnCallOfferingEvent = TCallOfferingEvent(this, &THost::OnOffering);
  c.OnCallDigitEvent = TNotifyDigitEvent(this, &THost::OnDigit);
  pComponent = &c;
}

void THost::Add(const std::string &event) {
  if (GetCurrentThreadId() != Application->MainThreadID()) allOnMainThread = false;
  events.push_back(event);
  if (after) after(event);
}

void THost::OnTapiError(AnsiString asErrorDesc, int iErrorSection, int iFunctionID) {
  Add("error " + std::string(asErrorDesc.c_str()) + " | " + std::to_string(iErrorSection) + " " +
      std::to_string(iFunctionID));
}

void THost::OnCallerID(AnsiString asName, AnsiString asNumber, int iCallType, HCALL hCall) {
  Add("callerid " + std::string(asName.c_str()) + "|" + asNumber.c_str() + "|" +
      std::to_string(iCallType) + (hCall == hLastCall ? " call" : " other"));
}

void THost::OnCalledPartyID(AnsiString asName, AnsiString asNumber, int iCallType) {
  Add("calledid " + std::string(asName.c_str()) + "|" + asNumber.c_str() + "|" +
      std::to_string(iCallType));
}

void THost::OnConnected(AnsiString asAppName, DWORD dwBearerMode, DWORD dwMediaMode, DWORD dwRate,
                        AnsiString asCalledPartyName, AnsiString asComments, HCALL hCall) {
  std::ostringstream text;
  text << "connected " << asAppName.c_str() << "|" << dwBearerMode << "|" << dwMediaMode << "|"
       << dwRate << "|" << asCalledPartyName.c_str() << "|" << asComments.c_str()
       << (hCall == hLastCall ? " call" : " other");
  Add(text.str());
}

void THost::OnDisconnected(HCALL hCall) {
  Add(std::string("disconnected") + (hCall == hLastCall ? " call" : " other"));
}

void THost::OnCallInfo(LINEMESSAGE *cbData, LINECALLINFO *pLineCallInfo) {
  if (cbData->dwMessageID == LINE_CALLSTATE) hStateCall = cbData->hDevice;
  std::ostringstream text;
  text << "info " << cbData->dwMessageID << " " << cbData->dwParam1
       << (pLineCallInfo != nullptr ? " with info" : " none");
  Add(text.str());
}

void THost::OnRing(int iRingCount, const HCALL &) {
  Add("ring " + std::to_string(iRingCount));
}

void THost::OnReply(int, int iStatus) {
  Add("reply " + std::to_string(iStatus));
}

void THost::OnOffering(HCALL hCall, int iOfferingMode, int iCallPrivaledge) {
  hLastCall = hCall;
  Add("offering " + std::to_string(iOfferingMode) + " " + std::to_string(iCallPrivaledge));
}

void THost::OnDigit(TObject *Sender, HCALL hCall, char cDigit) {
  Add("digit " + std::string(1, cDigit) + (hCall == hLastCall ? " call" : " other") +
      (Sender == pComponent ? "" : " from another sender"));
}

CallsTest::CallsTest() : exchange(sim::TheExchange()) {
  Application->Initialize();
  exchange.Reset();
  sim::OperationJournal().Clear();
  component = std::make_unique<TkwTAPI>(nullptr);
  component->DebugLogFile = AnsiString(folder.Path("debug.log").string().c_str());
  host.Attach(*component);
}

CallsTest::~CallsTest() {
  component.reset();
  sim::Faults().Clear();
  win32::ClearAllocationFaults();
}

std::vector<std::string> CallsTest::LogLines() const {
  std::istringstream text(component_test::ReadFile(folder.Path("debug.log")));
  std::vector<std::string> lines;
  const std::string stamp = " - 2002/05/17 14:03:09";
  for (std::string line; std::getline(text, line);) {
    if (line.size() >= stamp.size() && line.ends_with(stamp))
      line.erase(line.size() - stamp.size());
    lines.push_back(line);
  }
  return lines;
}

void CallsTest::PumpUntil(const std::function<bool()> &done) {
  test_support::PumpMessagesUntil(done);
}

void CallsTest::Open() {
  DWORD dwDevice = 0;
  ASSERT_TRUE(component->OpenDevice(dwDevice, false, false));
}

void CallsTest::ExpectNothingLeft() const {
  EXPECT_EQ(exchange.OpenLineCount(0), 0u);
  EXPECT_EQ(exchange.ApplicationCount(), 0u);
  EXPECT_EQ(exchange.CallHandleCount(), 0u);
}

}  // namespace calls_test
