// A line-application instance of the simulated exchange with a line message thread on it, set
// up as the component sets one up, a dispatch target on the main thread and the boxes shown.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <tapi.h>
#include <vcl.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/vcl/Application.h"
#include "platform/win32/Notice.h"
#include "simulator/Exchange.h"
#include "thread/Kwtapithread.h"

// Receives the handed-off messages on the main thread.
class DispatchTarget {
 public:
  void OnLineMessage(LINEMESSAGE *message);

  std::vector<LINEMESSAGE> received;
  // Runs inside the hand-off, after the message is recorded.
  std::function<void(const LINEMESSAGE &)> during;
};

// What the message boxes said, in order; shown from any thread.
class BoxCapture {
 public:
  BoxCapture();
  ~BoxCapture();
  std::vector<std::string> Texts() const;
  std::vector<std::string> Captions() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
  std::vector<std::string> captions_;
  win32::NoticeHandler previous_;
};

class MessageThreadTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Created suspended with its fields set, as the component does before Resume.
  kwTAPIThread &CreateThread(bool withTarget);
  // Lets the line ring `count` times: one LINE_LINEDEVSTATE message each, counts from 1 on.
  void Ring(DWORD count);
  // Pumps the main thread's messages, waiting for them, until done() holds.
  void PumpUntil(const std::function<bool()> &done);
  // Messages TAPI still holds for the instance, judged by its event.
  bool TapiHoldsMessages() const;
  size_t Fetches() const;

  sim::Exchange &exchange = sim::TheExchange();
  HLINEAPP hLineApp = 0;
  HANDLE hTAPIEvent = 0;
  HLINE hLine = 0;
  HANDLE hStopEvent = 0;
  std::unique_ptr<kwTAPIThread> thread;
  DispatchTarget target;
  std::unique_ptr<BoxCapture> boxes;

 private:
  DWORD rings_ = 0;
};

inline const char *const kBoxPrefix = "Internal error in [kwTAPIThread::Execute] msg: ";
