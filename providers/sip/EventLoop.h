// The thread that runs the SIP stack's event loop. Everything of the stack (sockets, timers,
// sessions) lives on it; other threads hand it work with Post or Run.
#pragma once

#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace sipnet {

class EventLoop {
 public:
  EventLoop();  // std::runtime_error when the stack cannot start
  ~EventLoop();
  EventLoop(const EventLoop &) = delete;
  EventLoop &operator=(const EventLoop &) = delete;

  void Post(std::function<void()> task);

  // Runs `task` on the loop and returns its result; on the loop itself, at once.
  template <class Result>
  Result Run(const std::function<Result()> &task) {
    if (std::this_thread::get_id() == thread_.get_id()) return task();
    std::packaged_task<Result()> packaged(task);
    std::future<Result> result = packaged.get_future();
    Post([&packaged] { packaged(); });
    return result.get();
  }

 private:
  void Loop(std::promise<int> &started);
  void RunPosted();
  static void OnWake(int flags, void *arg);

  int wake_ = -1;
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  std::thread thread_;
};

}  // namespace sipnet
