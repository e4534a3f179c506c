// The yardstick for the hand-off: the cheapest blocking round trip between two threads, a
// mutex and a condition variable passing a turn back and forth.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr int kRoundTripsPerIteration = 100;

class PingPong {
 public:
  PingPong() : partner_([this] { Answer(); }) {}
  ~PingPong() {
    Pass(Turn::Stop);
    partner_.join();
  }

  // One round trip: the partner is woken, takes its turn and wakes us again.
  void RoundTrip() {
    Pass(Turn::Partner);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return turn_ == Turn::Caller; });
  }

 private:
  enum class Turn { Caller, Partner, Stop };

  void Pass(Turn turn) {
    {
      std::lock_guard lock(mutex_);
      turn_ = turn;
    }
    changed_.notify_all();
  }

  void Answer() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return turn_ != Turn::Caller; });
      if (turn_ == Turn::Stop) return;
      turn_ = Turn::Caller;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  Turn turn_ = Turn::Caller;
  std::thread partner_;
};

void BM_MutexConditionPingPong(benchmark::State &state) {
  PingPong pingPong;
  for (auto _ : state) {
    for (int i = 0; i < kRoundTripsPerIteration; ++i) pingPong.RoundTrip();
  }
  state.SetItemsProcessed(state.iterations() * kRoundTripsPerIteration);
}

}  // namespace

BENCHMARK(BM_MutexConditionPingPong)->UseRealTime();
