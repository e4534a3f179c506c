// Which wave devices serve: the system's while no driver has been chosen (Windows), the chosen
// driver's otherwise.
#include <gtest/gtest.h>

#include "platform/winmm/SystemWave.h"
#include "platform/winmm/WaveDriver.h"
#include "simulator/Operation.h"

namespace {

using OpenFunction = decltype(::waveOutOpen);

MMRESULT QueryLineFormat(OpenFunction *open) {
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
  return open(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY);
}

// No driver chosen while it lives.
class TNoDriverChosen {
 public:
  TNoDriverChosen() : chosen_(winmm::SetWaveDriver(nullptr)) {}
  ~TNoDriverChosen() { winmm::SetWaveDriver(chosen_); }

 private:
  winmm::WaveDriver *chosen_;
};

TEST(SystemWave, UntilADriverIsChosenTheSystemsDevicesAnswer) {
  auto *system = reinterpret_cast<OpenFunction *>(winmm::SystemWaveFunction("waveOutOpen"));
  if (system == nullptr)
    GTEST_SKIP() << "the system has no wave devices of its own (Linux): the simulated "
                    "exchange's serve by default";
  const size_t simulated = sim::OperationJournal().Count("waveOutOpen");
  {
    TNoDriverChosen none;
    EXPECT_TRUE(winmm::SystemWaveInUse());
    EXPECT_EQ(QueryLineFormat(::waveOutOpen), QueryLineFormat(system));
    EXPECT_EQ(sim::OperationJournal().Count("waveOutOpen"), simulated);
  }
  // The test program has chosen the simulated exchange.
  EXPECT_FALSE(winmm::SystemWaveInUse());
  QueryLineFormat(::waveOutOpen);
  EXPECT_EQ(sim::OperationJournal().Count("waveOutOpen"), simulated + 1);
}

}  // namespace
