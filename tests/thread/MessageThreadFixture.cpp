#include "tests/thread/MessageThreadFixture.h"

#include "simulator/Operation.h"
#include "tests/PumpMessages.h"
#include "thread/StopMessageThread.h"

void DispatchTarget::OnLineMessage(LINEMESSAGE *message) {
  received.push_back(*message);
  if (during) during(*message);
}

BoxCapture::BoxCapture() {
  previous_ =
      win32::SetNoticeHandler([this](const std::string &caption, const std::string &text, UINT) {
        std::lock_guard<std::mutex> hold(mutex_);
        captions_.push_back(caption);
        texts_.push_back(text);
      });
}

BoxCapture::~BoxCapture() {
  win32::SetNoticeHandler(previous_);
}

std::vector<std::string> BoxCapture::Texts() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return texts_;
}

std::vector<std::string> BoxCapture::Captions() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return captions_;
}

void MessageThreadTest::SetUp() {
  Application->Initialize();
  exchange.Reset();
  boxes = std::make_unique<BoxCapture>();
  LINEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  DWORD devices = 0;
  DWORD apiVersion = 0x00020000;
  ASSERT_EQ(0, lineInitializeExA(&hLineApp, HInstance, nullptr, "thread test", &devices,
                                 &apiVersion, &params));
  hTAPIEvent = params.Handles.hEvent;
  ASSERT_EQ(0, lineOpenA(hLineApp, 0, &hLine, 0x00020000, 0, 0,
                         LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR,
                         LINEMEDIAMODE_INTERACTIVEVOICE, nullptr));
  ASSERT_EQ(0, lineSetStatusMessages(hLine, LINEDEVSTATE_RINGING, 0));
  hStopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  ASSERT_NE(HANDLE{}, hStopEvent);
}

void MessageThreadTest::TearDown() {
  StopMessageThread(thread.get(), hStopEvent);
  thread.reset();
  if (hLineApp != 0) lineShutdown(hLineApp);
  sim::Faults().Clear();
  boxes.reset();
}

kwTAPIThread &MessageThreadTest::CreateThread(bool withTarget) {
  thread = std::make_unique<kwTAPIThread>(true);
  thread->hLineApp = hLineApp;
  thread->hTAPIEvent = hTAPIEvent;
  if (withTarget)
    thread->OnLineMessage = TLineMessageEvent(&target, &DispatchTarget::OnLineMessage);
  thread->hStopEvent = hStopEvent;
  return *thread;
}

void MessageThreadTest::Ring(DWORD count) {
  for (DWORD i = 0; i < count; ++i) exchange.Ring(0, ++rings_);
}

void MessageThreadTest::PumpUntil(const std::function<bool()> &done) {
  test_support::PumpMessagesUntil(done);
}

bool MessageThreadTest::TapiHoldsMessages() const {
  return WaitForSingleObject(hTAPIEvent, 0) == WAIT_OBJECT_0;
}

size_t MessageThreadTest::Fetches() const {
  return sim::OperationJournal().Count("lineGetMessage");
}
