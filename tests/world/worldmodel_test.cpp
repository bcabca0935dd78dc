// The world model's landmark tables for both sides and the ball's rolling distance.

#include "world/worldmodel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(WorldModelTables, RightSideLandmarksAreTheLeftSideTurnedAboutTheCentre) {
    WorldModel wm;
    ASSERT_EQ(wm.mLeftFlagOriginMap.size(), 8u);
    for (const auto& [name, left] : wm.mLeftFlagOriginMap) {
        const FlagLocation& right = wm.mRightFlagOriginMap.at(name);
        EXPECT_FLOAT_EQ(right.x, -left.x) << name;
        EXPECT_FLOAT_EQ(right.y, -left.y) << name;
        EXPECT_FLOAT_EQ(right.z, left.z) << name;
    }
    EXPECT_FLOAT_EQ(wm.mLeftFlagOriginMap.at("G1R").x, 10.5f);  // the opponent's goal is at +x
}

TEST(BallRolling, DistanceBeforeTheBallStops) {
    // 0.02 m/s has decayed below the threshold after one step: a single undecayed step.
    EXPECT_NEAR(CalBallLocationFromVel(0.02f), 0.0004f, 1e-9f);
    // Then decayed by exp(-1.065 t) per 20 ms step up to the first at or below 0.02 m/s.
    EXPECT_NEAR(CalBallLocationFromVel(2.0f), 1.8399, 4e-4);
    EXPECT_EQ(CalBallLocationFromVel(-0.3f), -CalBallLocationFromVel(0.3f));
    EXPECT_EQ(CalBallLocationFromVel(INFINITY), 0);  // no endless roll
}

}  // namespace
