// Every test program runs against the simulated exchange. It is the default provider on Linux;
// on Windows the line and wave functions reach the system's services unless it is chosen.
#include <gtest/gtest.h>

#include "simulator/Selection.h"

namespace {

class SimulatedExchange : public ::testing::Environment {
 public:
  void SetUp() override { sim::UseSimulatedExchange(); }
};

const auto *const theEnvironment = ::testing::AddGlobalTestEnvironment(new SimulatedExchange);

}  // namespace
