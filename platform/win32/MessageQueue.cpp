#include "platform/win32/MessageQueue.h"

#include <algorithm>
#include <chrono>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace win32::detail {
namespace {

// Real time, not the scaled clock: it is about the cost of sleeping, not about the program's
// own timing.
constexpr std::chrono::microseconds kBriefWait{30};

// Lets the other hardware thread of the core run while this one waits in a loop.
void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

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
      for (SentMessage *message : queue->sent) Complete(*message, 0)->changed.notify_all();
      queue->sent.clear();
      queue->posted.clear();
      kernel.Announce(queue.get());
    }
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

void AwaitBriefly(const std::function<bool()> &ready) {
  const auto until = std::chrono::steady_clock::now() + kBriefWait;
  while (!ready()) {
    for (int look = 0; look < 64; ++look) Pause();
    if (std::chrono::steady_clock::now() >= until) return;
  }
}

void Wake(MessageQueue &queue) {
  queue.arrivals.fetch_add(1, std::memory_order_release);
  queue.changed.notify_all();
  Kernel &kernel = Kernel::Get();
  std::lock_guard<std::mutex> hold(kernel.lock);
  kernel.Announce(&queue);
}

std::shared_ptr<MessageQueue> Complete(SentMessage &message, LRESULT result) {
  message.result = result;
  message.done = true;
  return message.sender;
}

void ServeSentMessages(MessageQueue &queue, std::unique_lock<std::mutex> &hold) {
  Kernel &kernel = Kernel::Get();
  while (!queue.sent.empty()) {
    SentMessage *message = queue.sent.front();
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
      Complete(*message, 0)->changed.notify_all();
      throw;
    }
    hold.lock();
    // Woken under the lock, the sender runs once this thread waits or lets go of the lock.
    Complete(*message, result)->changed.notify_all();
  }
}

void ForgetWindow(MessageQueue &queue, HWND hwnd) {
  std::erase_if(queue.posted, [hwnd](const MSG &msg) { return msg.hwnd == hwnd; });
  std::erase_if(queue.sent, [hwnd](SentMessage *message) {
    if (message->hwnd != hwnd) return false;
    Complete(*message, 0)->changed.notify_all();
    return true;
  });
  std::erase(queue.windows, hwnd);
}

}  // namespace win32::detail
