// Line messages from the simulated exchange's queue to a dispatch target on the main thread,
// which pumps with GetMessageA as a host's message loop does.
#include <benchmark/benchmark.h>
#include <windows.h>
#include <tapi.h>
#include <vcl.h>

#include <memory>

#include "platform/vcl/Application.h"
#include "simulator/Exchange.h"
#include "thread/Kwtapithread.h"
#include "thread/StopMessageThread.h"

namespace {

constexpr DWORD kMessagesPerIteration = 100;
constexpr UINT kBatchDelivered = WM_APP + 1;

// Counts deliveries and wakes the main thread's GetMessageA once a batch is through.
class CountingTarget {
 public:
  void OnLineMessage(LINEMESSAGE *) {
    if (++delivered_ == expected_) PostMessageA(0, kBatchDelivered, 0, 0);
  }
  void Expect(DWORD total) { expected_ = total; }

 private:
  DWORD delivered_ = 0;
  DWORD expected_ = 0;
};

// One line-application instance with a ringing line and its message thread.
class RingingLine {
 public:
  RingingLine() {
    Application->Initialize();
    sim::TheExchange().Reset();
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    DWORD devices = 0;
    DWORD apiVersion = 0x00020000;
    lineInitializeExA(&hLineApp_, HInstance, nullptr, "bench", &devices, &apiVersion, &params);
    lineOpenA(hLineApp_, 0, &hLine_, 0x00020000, 0, 0, LINECALLPRIVILEGE_OWNER,
              LINEMEDIAMODE_INTERACTIVEVOICE, nullptr);
    lineSetStatusMessages(hLine_, LINEDEVSTATE_RINGING, 0);
    hStopEvent_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    thread_ = std::make_unique<kwTAPIThread>(true);
    thread_->hLineApp = hLineApp_;
    thread_->hTAPIEvent = params.Handles.hEvent;
    thread_->OnLineMessage = TLineMessageEvent(&target_, &CountingTarget::OnLineMessage);
    thread_->hStopEvent = hStopEvent_;
    thread_->Resume();
  }
  ~RingingLine() {
    StopMessageThread(thread_.get(), hStopEvent_);
    thread_.reset();
    lineShutdown(hLineApp_);
  }

  // Queues a batch of rings and pumps until the target has had every one of them.
  void DeliverBatch() {
    target_.Expect(sent_ + kMessagesPerIteration);
    for (DWORD i = 0; i < kMessagesPerIteration; ++i) sim::TheExchange().Ring(0, ++sent_);
    MSG msg;
    while (GetMessageA(&msg, 0, 0, 0) > 0) {
      if (msg.message == kBatchDelivered) return;
      DispatchMessageA(&msg);
    }
  }

 private:
  HLINEAPP hLineApp_ = 0;
  HLINE hLine_ = 0;
  HANDLE hStopEvent_ = 0;
  DWORD sent_ = 0;
  CountingTarget target_;
  std::unique_ptr<kwTAPIThread> thread_;
};

void BM_LineMessageHandOff(benchmark::State &state) {
  RingingLine line;
  for (auto _ : state) line.DeliverBatch();
  state.SetItemsProcessed(state.iterations() * kMessagesPerIteration);
}

}  // namespace

BENCHMARK(BM_LineMessageHandOff)->UseRealTime();
