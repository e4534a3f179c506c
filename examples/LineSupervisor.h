// Lines served side by side in one process: each on a thread of its own that opens the line's
// component and pumps for it (inside a TSynchronizeHere scope, so that the component's events
// arrive there), under a supervisor on the calling thread. A line whose thread dies (an
// exception escaped its work, a handler's among them) is started again after a moment and
// the time line says so; the others go on serving meanwhile.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "examples/Timeline.h"

// What the work of one line is given, on the line's own thread.
class TLineContext {
 public:
  DWORD Device() const { return dwDevice_; }
  // "line 2" where several lines are served, empty for one.
  const std::string &Label() const { return label_; }
  TTimeline &Timeline() { return timeline_; }
  // 1 for the line's first start, 2 after its first restart, ...
  int Start() const { return start_; }
  // The work says so once its line is open: a failure before is a line that cannot be
  // served (not started again), a failure after is a line that died.
  void Serving() { serving_ = true; }
  // What the supervisor's Stop runs on this thread, from any pump of it; empty: nothing.
  void OnStop(std::function<void()> stop) { onStop_ = std::move(stop); }

 private:
  friend class TLineSupervisor;
  TLineContext(DWORD dwDevice, std::string label, TTimeline timeline, int start)
      : dwDevice_(dwDevice),
        label_(std::move(label)),
        timeline_(std::move(timeline)),
        start_(start) {}

  const DWORD dwDevice_;
  const std::string label_;
  TTimeline timeline_;
  const int start_;
  std::atomic<bool> serving_{false};
  std::function<void()> onStop_;
};

class TLineSupervisor {
 public:
  // Runs on a line's thread for as long as the line is served.
  using TWork = std::function<void(TLineContext &line)>;
  // Told on the supervisor's thread, once, for a line that cannot be served from its start.
  using TRefusal = std::function<void(DWORD dwDevice, const std::exception_ptr &why)>;
  // The wait before a dead line starts again: on the platform clock, so a line that fails
  // at once costs little, and short enough to be back within two seconds.
  static constexpr DWORD kRestartDelay = 500;

  TLineSupervisor(TTimeline &timeline, TWork work, TRefusal onRefused);
  ~TLineSupervisor();
  TLineSupervisor(const TLineSupervisor &) = delete;
  TLineSupervisor &operator=(const TLineSupervisor &) = delete;

  // Serves `devices` until each line's work has returned, could not start or was stopped;
  // pumps the calling thread's messages meanwhile. Names the lines when there are several.
  void Run(const std::vector<DWORD> &devices);
  // Ends every line (each runs its OnStop on its own thread) and starts none again. Any
  // thread; a pump of the supervisor's thread is the usual place (Ctrl-C).
  void Stop();

  // Lines that were served at some point, in Run's last call.
  int LinesServed() const { return linesServed_; }

 private:
  class TLine;

  void Launch(TLine &line);
  // Looks at lines whose thread has ended; true while some line is still to be served.
  bool Reap(DWORD dwNow);
  DWORD NextWait(DWORD dwNow) const;

  TTimeline &timeline_;
  const TWork work_;
  const TRefusal onRefused_;
  std::vector<std::unique_ptr<TLine>> lines_;
  const HANDLE lineEnded_;
  std::atomic<bool> stopping_{false};
  int linesServed_ = 0;
};
