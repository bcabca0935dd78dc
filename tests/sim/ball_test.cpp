// The ball: bouncing, rolling and coming to rest.
#include <gtest/gtest.h>

#include "sim/field.h"
#include "sim/placement.h"
#include "sim/truth.h"
#include "sim/world.h"

using namespace sim;

TEST(Ball, DroppedFromOneMetreBouncesAndComesToRest) {
    World w;
    PlaceBall(w, {1, 2, 1.0});
    double lowest = 1.0, reboundTop = 0;
    bool falling = true;
    for (int k = 0; k < 250; ++k) {  // 5 s
        w.StepCycle();
        const BallTruth b = BallGroundTruth(w);
        if (falling) {
            lowest = std::min(lowest, b.pos.z);
            falling = b.vel.z <= 0;
        } else {
            reboundTop = std::max(reboundTop, b.pos.z);
        }
    }
    EXPECT_LT(lowest, kBallRadius + 0.005);  // it reached the ground
    EXPECT_GT(reboundTop, 0.1);              // and bounced up again
    EXPECT_LT(reboundTop, 0.8);              // losing energy
    const BallTruth b = BallGroundTruth(w);
    EXPECT_NEAR(b.pos.z, kBallRadius, 0.003);
    EXPECT_LT(Norm(b.vel), 1e-3);
    EXPECT_NEAR(b.pos.x, 1.0, 0.01);
    EXPECT_NEAR(b.pos.y, 2.0, 0.01);
}

TEST(Ball, KickedAtTwoMetresPerSecondRollsAndStops) {
    World w;
    PlaceBall(w, {0, 0, kBallRadius}, {0, -2, 0});
    w.StepCycle();
    EXPECT_NEAR(BallGroundTruth(w).vel.y, -2.0, 0.05);  // rolling, not skidding to a halt
    double travelled = 0;
    for (int k = 0; k < 500; ++k) {  // 10 s
        w.StepCycle();
        travelled = -BallGroundTruth(w).pos.y;
    }
    const BallTruth b = BallGroundTruth(w);
    // Exponential decay of the speed, which the agents' ball predictor assumes: v0 / k.
    EXPECT_NEAR(travelled, 2.0 / kBallDecayPerSecond, 0.05);
    EXPECT_NEAR(b.pos.x, 0.0, 0.01);
    EXPECT_LT(Norm(b.vel), 1e-3);
    w.StepCycle();
    EXPECT_NEAR(-BallGroundTruth(w).pos.y, travelled, 1e-4);  // stopped, not creeping
}

TEST(Ball, TouchesByRobotsAreReportedPerCycle) {
    World w;
    const int a = w.AddRobot(), b = w.AddRobot();
    BeamRobot(w, a, -3, 0, 0);
    BeamRobot(w, b, 3, 0, 0);
    w.StepCycle();
    EXPECT_TRUE(w.BallTouchedBy().empty());
    // A fast ball reaching robot b's heels a few substeps into the cycle.
    PlaceBall(w, {2.85, 0, kBallRadius}, {6, 0, 0});
    w.StepCycle();
    EXPECT_EQ(w.BallTouchedBy(), std::vector<int>{b});
    EXPECT_LT(BallGroundTruth(w).vel.x, 1.0);  // stopped by the robot
    PlaceBall(w, {0, 0, kBallRadius});
    w.StepCycle();
    EXPECT_TRUE(w.BallTouchedBy().empty());
}
