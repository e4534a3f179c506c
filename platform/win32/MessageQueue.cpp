#include "platform/win32/MessageQueue.h"

#include <algorithm>

namespace win32::detail {
namespace {

// Destroys the thread's windows and retires its queue when the thread ends, as Windows does;
// senders waiting on the thread are released with a 0 result.
class ThreadQueue {
 public:
  ~ThreadQueue() {
    if (!queue) return;
    for (HWND window : OwnedWindows()) DestroyWindow(window);
    Kernel &kernel = Kernel::Get();
    {
      std::lock_guard<std::mutex> hold(kernel.lock);
      queue->alive = false;
      for (auto &message : queue->sent) Complete(*message, 0);
      queue->sent.clear();
      queue->posted.clear();
    }
    kernel.changed.notify_all();
  }

  std::vector<HWND> OwnedWindows() const {
    std::lock_guard<std::mutex> hold(Kernel::Get().lock);
    return queue->windows;
  }

  std::shared_ptr<MessageQueue> queue;
};

thread_local ThreadQueue threadQueue;

}  // namespace

std::shared_ptr<MessageQueue> CurrentQueue() {
  if (!threadQueue.queue) threadQueue.queue = std::make_shared<MessageQueue>(GetCurrentThreadId());
  return threadQueue.queue;
}

void Complete(SentMessage &message, LRESULT result) {
  message.result = result;
  message.done = true;
}

void ServeSentMessages(MessageQueue &queue) {
  Kernel &kernel = Kernel::Get();
  std::unique_lock<std::mutex> hold(kernel.lock);
  while (!queue.sent.empty()) {
    auto message = queue.sent.front();
    queue.sent.pop_front();
    auto window = kernel.FindAs<Window>(message->hwnd);
    hold.unlock();
    LRESULT result = 0;
    try {
      if (window)
        result = window->proc(message->hwnd, message->message, message->wParam, message->lParam);
    } catch (...) {
      // The sender must not wait forever for a procedure that failed.
      hold.lock();
      Complete(*message, 0);
      kernel.changed.notify_all();
      throw;
    }
    hold.lock();
    Complete(*message, result);
    kernel.changed.notify_all();
  }
}

void ForgetWindow(MessageQueue &queue, HWND hwnd) {
  std::erase_if(queue.posted, [hwnd](const MSG &msg) { return msg.hwnd == hwnd; });
  std::erase_if(queue.sent, [hwnd](const std::shared_ptr<SentMessage> &message) {
    if (message->hwnd != hwnd) return false;
    Complete(*message, 0);
    return true;
  });
  std::erase(queue.windows, hwnd);
}

}  // namespace win32::detail
