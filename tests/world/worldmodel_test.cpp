// Landmark and formation tables of the world model and the team, and the ball's rolling distance.

#include "world/worldmodel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "world/data.h"

namespace {

void ExpectAt(const FlagLocation& f, float x, float y, float z) {
    EXPECT_FLOAT_EQ(f.x, x);
    EXPECT_FLOAT_EQ(f.y, y);
    EXPECT_FLOAT_EQ(f.z, z);
}

void ExpectSlot(const PlayerFlagLocation& slot, float x, float y, int num) {
    ExpectAt(slot.location, x, y, 0);
    EXPECT_EQ(slot.num, num);
}

TEST(WorldModelTables, LandmarksForBothSidesAndFormations) {
    WorldModel wm;
    EXPECT_EQ(wm.sMatchState, "BeforeKickOff");
    // Left-side places; the right-side table holds the same turned half a way about the centre.
    const std::tuple<const char*, float, float, float> marks[] = {
        {"F1L", -10.5f, 7, 0},       {"F2L", -10.5f, -7, 0},       {"F1R", 10.5f, 7, 0},
        {"F2R", 10.5f, -7, 0},       {"G1L", -10.5f, 1.05f, 0.8f}, {"G2L", -10.5f, -1.05f, 0.8f},
        {"G1R", 10.5f, 1.05f, 0.8f}, {"G2R", 10.5f, -1.05f, 0.8f}};
    for (const auto& [name, x, y, z] : marks) {
        SCOPED_TRACE(name);
        ExpectAt(wm.mLeftFlagOriginMap.at(name), x, y, z);
        ExpectAt(wm.mRightFlagOriginMap.at(name), -x, -y, z);
    }
    ExpectSlot(wm.attackGroup[1], -2, -2.5f, 2);
    ExpectSlot(wm.defenseGroup[3], -8.6f, 0, 6);
    ExpectSlot(wm.playerGroup[3], -6, 2, 4);
}

TEST(TeamData, FormationTablesIndexedByNineMinusUniformNumber) {
    DATA::playerGroup[3].num = 7;  // rows that play rewrote are restored
    DATA::SetPlayerLocation();
    ExpectSlot(DATA::playerGroup[9 - 1], -10.1f, 0, 9);
    ExpectSlot(DATA::playerGroup[3], -5.5f, 0, 4);
    ExpectSlot(DATA::defenseGroup[5], -7.5f, -1.5f, 8);
}

TEST(BallRolling, DistanceBeforeTheBallStops) {
    // 0.02 m/s has decayed below the threshold after one step: a single undecayed step.
    EXPECT_NEAR(CalBallLocationFromVel(0.02f), 0.0004f, 1e-9f);
    // The undecayed first step, then decayed steps up to the first at or below 0.02 m/s.
    const double dt = 0.02, k = 0.0277 / 0.026;
    for (double v : {0.05, 2.0}) {
        double distance = v * dt;
        for (int i = 2; v * std::exp(-k * (i - 1) * dt) > 0.02; ++i)
            distance += v * std::exp(-k * i * dt) * dt;
        EXPECT_NEAR(CalBallLocationFromVel(v), distance, 2e-4 * v) << v;
    }
    EXPECT_EQ(CalBallLocationFromVel(-0.3f), -CalBallLocationFromVel(0.3f));
    EXPECT_EQ(CalBallLocationFromVel(INFINITY), 0);  // no endless roll
}

}  // namespace
