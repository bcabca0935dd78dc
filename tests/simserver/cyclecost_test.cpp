#include "sim/server/cyclecost.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;

// The slow-cycle line names each stage of the cycle under way and the time no stage of the
// loop's thread accounts for; the physics runs beside the loop and is not subtracted.
TEST(CycleCostsTest, SlowCycleLineShowsTheCycleUnderWay) {
    CycleCosts costs;
    costs.Add(CycleCosts::kPhysics, 9000ms);
    costs.CountCycle();  // an earlier cycle: not in the next line
    costs.Add(CycleCosts::kPhysics, 40ms);
    costs.Add(CycleCosts::kStepWait, 30ms);
    costs.Add(CycleCosts::kWaiting, 100ms);
    costs.Add(CycleCosts::kWaiting, 20ms);
    EXPECT_EQ(costs.SlowCycleLine(10500ms),
              "slow cycle 10500 ms (wall): physics 40.0 step-wait 30.0 sensors 0.0 vision 0.0 "
              "text 0.0 send 0.0 replies 0.0 waiting 120.0 other 10350.0");
    // The run's totals keep every cycle.
    costs.CountCycle();
    EXPECT_NE(costs.Summary().find("physics 4520.000"), std::string::npos) << costs.Summary();
}
