// Lambdas and other callables as event handlers. An event is a bound method (TClosure), which
// names an object and one of its member functions; TEventHandlers keeps each callable in an
// object of its own and binds the event to it, so the closure type stays what it is.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "Closure.h"

/// @brief Owns the callables assigned to events, so that any callable can handle an event.
///
/// @code
/// TEventHandlers handlers;  // must outlive the events' use: declare it before the component
/// TkwTAPI tapi(nullptr);
/// handlers.Set(tapi.OnCallRingEvent, [&](int iRingCount, const HCALL &) { ... });
/// @endcode
///
/// The callable is called with the event's arguments, so it must accept them (a by-value
/// parameter may take what the event passes by reference). Setting an event again binds it to
/// the new callable; every callable is kept until the object is destroyed (another event may
/// still be bound to an earlier one). Events still bound to it must not be raised afterwards:
/// the usual order, handlers declared before the component that raises them, guarantees that.
/// Not thread-safe: set events on the thread that owns them.
class TEventHandlers {
 public:
  TEventHandlers() = default;
  TEventHandlers(const TEventHandlers &) = delete;
  TEventHandlers &operator=(const TEventHandlers &) = delete;

  /// Binds `event` to a copy of `callable`.
  template <class R, class... Args, class Callable>
  void Set(TClosure<R(Args...)> &event, Callable callable) {
    auto handler = std::make_shared<THandler<R, Args...>>(std::move(callable));
    event = TClosure<R(Args...)>(handler.get(), &THandler<R, Args...>::Invoke);
    handlers_.push_back(std::move(handler));
  }

 private:
  template <class R, class... Args>
  struct THandler {
    explicit THandler(std::function<R(Args...)> function) : call(std::move(function)) {}
    R Invoke(Args... args) { return call(std::forward<Args>(args)...); }
    std::function<R(Args...)> call;
  };

  // Each a THandler of its own signature; the pointer knows how to delete it.
  std::vector<std::shared_ptr<void>> handlers_;
};
