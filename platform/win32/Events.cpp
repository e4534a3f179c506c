#include "platform/win32/Events.h"

#include <optional>
#include <vector>

#include "platform/win32/EventWait.h"
#include "platform/win32/Kernel.h"
#include "platform/win32/Sleep.h"

using win32::detail::Kernel;

namespace {

class Event : public win32::detail::KernelObject {
 public:
  Event(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}

  void OnClose() override { closed_ = true; }
  bool Closed() const { return closed_; }
  bool Signalled() const { return signalled_; }
  void Set(bool signalled) { signalled_ = signalled; }
  // A satisfied wait consumes the signal of an auto-reset event.
  void Acquire() {
    if (!manualReset_) signalled_ = false;
  }

 private:
  const bool manualReset_;
  bool signalled_;
  bool closed_ = false;
};

using EventList = std::vector<std::shared_ptr<Event>>;

std::optional<EventList> FindEvents(DWORD count, const HANDLE *handles) {
  EventList events;
  for (DWORD i = 0; i < count; ++i) {
    auto event = Kernel::Get().FindAs<Event>(handles[i]);
    if (!event) return std::nullopt;
    events.push_back(std::move(event));
  }
  return events;
}

bool AnyClosed(const EventList &events) {
  for (const auto &event : events) {
    if (event->Closed()) return true;
  }
  return false;
}

// The result of a wait that the events' current state satisfies.
std::optional<DWORD> Satisfy(const EventList &events, bool waitAll) {
  if (waitAll) {
    for (const auto &event : events) {
      if (!event->Signalled()) return std::nullopt;
    }
    for (const auto &event : events) event->Acquire();
    return WAIT_OBJECT_0;
  }
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i]->Signalled()) {
      events[i]->Acquire();
      return WAIT_OBJECT_0 + static_cast<DWORD>(i);
    }
  }
  return std::nullopt;
}

DWORD Failed(DWORD error) {
  SetLastError(error);
  return WAIT_FAILED;
}

BOOL SetEventState(HANDLE hEvent, bool signalled) {
  Kernel &kernel = Kernel::Get();
  {
    std::lock_guard<std::mutex> hold(kernel.lock);
    auto event = kernel.FindAs<Event>(hEvent);
    if (!event) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    event->Set(signalled);
    if (signalled) kernel.Announce(event.get());
  }
  return TRUE;
}

}  // namespace

namespace win32::detail {

DWORD WaitForEvents(DWORD nCount, const HANDLE *lpHandles, bool waitAll, DWORD dwMilliseconds,
                    const void *queue, const std::function<bool()> &queueReady) {
  if (nCount > MAXIMUM_WAIT_OBJECTS || (nCount > 0 && lpHandles == nullptr)) {
    return Failed(ERROR_INVALID_PARAMETER);
  }
  const double deadline = win32::VirtualNow() + dwMilliseconds;
  Kernel &kernel = Kernel::Get();
  std::unique_lock<std::mutex> hold(kernel.lock);
  auto events = FindEvents(nCount, lpHandles);
  if (!events) return Failed(ERROR_INVALID_HANDLE);
  Kernel::Waiter waiter;
  for (const auto &event : *events) waiter.subjects.push_back(event.get());
  if (queueReady) waiter.subjects.push_back(queue);
  // Registered before the first look, so that no change after it goes unannounced.
  kernel.Register(waiter);
  struct Unregister {
    Kernel &kernel;
    Kernel::Waiter &waiter;
    ~Unregister() { kernel.Unregister(waiter); }
  } unregister{kernel, waiter};
  for (;;) {
    if (AnyClosed(*events)) return Failed(ERROR_INVALID_HANDLE);
    if (auto result = Satisfy(*events, waitAll)) return *result;
    if (queueReady && queueReady()) return WAIT_OBJECT_0 + nCount;
    if (dwMilliseconds == INFINITE) {
      waiter.wake.wait(hold);
    } else if (!win32::WaitUntil(waiter.wake, hold, deadline)) {
      return WAIT_TIMEOUT;
    }
  }
}

}  // namespace win32::detail

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR) {
  Kernel &kernel = Kernel::Get();
  std::lock_guard<std::mutex> hold(kernel.lock);
  return kernel.Insert(std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE));
}

BOOL SetEvent(HANDLE hEvent) {
  return SetEventState(hEvent, true);
}

BOOL ResetEvent(HANDLE hEvent) {
  return SetEventState(hEvent, false);
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE *lpHandles, BOOL bWaitAll,
                             DWORD dwMilliseconds) {
  if (nCount == 0) return Failed(ERROR_INVALID_PARAMETER);
  return win32::detail::WaitForEvents(nCount, lpHandles, bWaitAll != FALSE, dwMilliseconds, nullptr,
                                      {});
}
