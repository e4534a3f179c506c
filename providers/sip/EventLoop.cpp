#include "providers/sip/EventLoop.h"

#include "providers/sip/Re.h"
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace sipnet {

EventLoop::EventLoop() {
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_ < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
  std::promise<int> started;
  std::future<int> result = started.get_future();
  thread_ = std::thread([this, &started] { Loop(started); });
  const int error = result.get();
  if (error != 0) {
    thread_.join();
    close(wake_);
    throw std::runtime_error(std::string("the SIP stack did not start: ") + std::strerror(error));
  }
}

EventLoop::~EventLoop() {
  Post([] { re_cancel(); });
  thread_.join();
  close(wake_);
}

void EventLoop::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  const uint64_t one = 1;
  // A full counter still wakes the loop; nothing is lost by a failed write.
  (void)!write(wake_, &one, sizeof one);
}

void EventLoop::Loop(std::promise<int> &started) {
  int error = libre_init();
  if (error == 0) error = fd_listen(wake_, FD_READ, OnWake, this);
  if (error != 0) {
    libre_close();
    started.set_value(error);
    return;
  }
  started.set_value(0);
  re_main(nullptr);
  RunPosted();  // what was posted before the cancel still runs (teardown work)
  fd_close(wake_);
  libre_close();
}

void EventLoop::OnWake(int /*flags*/, void *arg) {
  auto *loop = static_cast<EventLoop *>(arg);
  uint64_t count = 0;
  (void)!read(loop->wake_, &count, sizeof count);
  loop->RunPosted();
}

void EventLoop::RunPosted() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

}  // namespace sipnet
