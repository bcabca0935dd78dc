// The world model's tables and copies, the team constants and formation tables, and the ball's
// rolling distance.

#include "world/worldmodel.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(WorldModelTables, FreshModelHasLandmarksFormationsAndNothingElse) {
    WorldModel wm;
    EXPECT_EQ(wm.sMatchState, "BeforeKickOff");
    EXPECT_EQ(wm.mLeftFlagOriginMap.size(), 8u);
    EXPECT_EQ(wm.mRightFlagOriginMap.size(), 8u);
    EXPECT_TRUE(wm.mFlagMap.empty());
    EXPECT_TRUE(wm.mFFlagMap.empty());
    EXPECT_TRUE(wm.mFriendPlayMap.empty());
    EXPECT_TRUE(wm.mOppositePlayMap.empty());
    EXPECT_TRUE(wm.mFriendPlayHeadMap.empty());
    EXPECT_TRUE(wm.mOppositePlayHeadMap.empty());
    EXPECT_TRUE(wm.mOppositePlayHeadToSelfMap.empty());
    EXPECT_TRUE(wm.mSelfPlayHeadToSelfMap.empty());
    EXPECT_EQ(wm.ballLocatoin.time, 0);
    EXPECT_EQ(wm.mTime, 0);

    ExpectSlot(wm.attackGroup[0], -2, 2.5f, 1);
    ExpectSlot(wm.attackGroup[1], -2, -2.5f, 2);
    ExpectSlot(wm.defenseGroup[0], -4, 0, 3);
    ExpectSlot(wm.defenseGroup[2], -6, -2.5f, 5);
    ExpectSlot(wm.defenseGroup[3], -8.6f, 0, 6);
    ExpectSlot(wm.playerGroup[0], -2, 2, 1);
    ExpectSlot(wm.playerGroup[3], -6, 2, 4);
    ExpectSlot(wm.playerGroup[5], -8.6f, 0, 6);
}

TEST(WorldModelTables, LeftSideLandmarks) {
    WorldModel wm;
    TFlagMap& left = wm.mLeftFlagOriginMap;
    ExpectAt(left["F1L"], -10.5f, 7, 0);
    ExpectAt(left["F2L"], -10.5f, -7, 0);
    ExpectAt(left["F1R"], 10.5f, 7, 0);
    ExpectAt(left["F2R"], 10.5f, -7, 0);
    ExpectAt(left["G1L"], -10.5f, 1.05f, 0.8f);
    ExpectAt(left["G2L"], -10.5f, -1.05f, 0.8f);
    ExpectAt(left["G1R"], 10.5f, 1.05f, 0.8f);
    ExpectAt(left["G2R"], 10.5f, -1.05f, 0.8f);
}

TEST(WorldModelTables, RightSideTableIsTurnedHalfAWay) {
    WorldModel wm;
    TFlagMap& right = wm.mRightFlagOriginMap;
    ExpectAt(right["F1L"], 10.5f, -7, 0);
    ExpectAt(right["F2L"], 10.5f, 7, 0);
    ExpectAt(right["F1R"], -10.5f, -7, 0);
    ExpectAt(right["F2R"], -10.5f, 7, 0);
    ExpectAt(right["G1L"], 10.5f, -1.05f, 0.8f);
    ExpectAt(right["G2L"], 10.5f, 1.05f, 0.8f);
    ExpectAt(right["G1R"], -10.5f, -1.05f, 0.8f);
    ExpectAt(right["G2R"], -10.5f, 1.05f, 0.8f);
}

TEST(WorldModelTables, LandmarksFollowTheFieldDimensions) {
    float length = DATA::FieldLength;
    DATA::FieldLength = 30;
    WorldModel wm;
    DATA::FieldLength = length;
    ExpectAt(wm.mLeftFlagOriginMap["G2R"], 15, -1.05f, 0.8f);
    ExpectAt(wm.mRightFlagOriginMap["F1L"], 15, -7, 0);
}

TEST(WorldModelCopies, UnseenLookupsReadZeroAndCopiesAreIndependent) {
    WorldModel wm;
    EXPECT_EQ(wm.mFlagMap["G1R"].time, 0);
    ExpectAt(wm.mFlagMap["G1R"].c, 0, 0, 0);
    EXPECT_EQ(wm.mFlagMap.size(), 1u);

    wm.mFlagMap["F1L"].time = 3.5f;
    wm.ballLocatoin.ballVel = FlagLocation(1, 2, 0);
    WorldModel copy = wm;
    copy.mFlagMap["F1L"].time = 9;
    copy.mFriendPlayMap["4"].headTime = 2;
    copy.ballLocatoin.ballVel.x = -5;
    EXPECT_EQ(wm.mFlagMap["F1L"].time, 3.5f);
    EXPECT_TRUE(wm.mFriendPlayMap.empty());
    EXPECT_EQ(wm.ballLocatoin.ballVel.x, 1);

    WorldModel assigned;
    assigned = copy;
    EXPECT_EQ(assigned.mFlagMap["F1L"].time, 9);
    EXPECT_EQ(assigned.mFriendPlayMap.size(), 1u);
}

TEST(WorldModelCounter, CycleCountIsSharedByAllModels) {
    int before = WorldModel::circleCount;
    WorldModel a, b;
    ++WorldModel::circleCount;
    EXPECT_EQ(b.circleCount, before + 1);
    WorldModel::circleCount = before;
}

TEST(TeamData, ConstantsAtStart) {
    EXPECT_EQ(DATA::FieldLength, 21);
    EXPECT_EQ(DATA::FieldWidth, 14);
    EXPECT_EQ(DATA::GoalHeight, 0.8f);
    EXPECT_EQ(DATA::GoalWidth, 2.1f);
    EXPECT_EQ(DATA::TeamName, "Marrowfinch");
    EXPECT_EQ(DATA::TeamSide, "uninit");
    EXPECT_EQ(DATA::Unum, "1");
    EXPECT_EQ(DATA::KickDistanceToBall, 1.5f);
    EXPECT_EQ(DATA::q5Offset, 2.39f);
    EXPECT_EQ(DATA::hearMsgKey, "k4q");
    EXPECT_EQ(DATA::playerCount, 9);
}

TEST(TeamData, FormationTablesIndexedByNineMinusUniformNumber) {
    DATA::SetPlayerLocation();
    // Uniform number 1 stands in front of its own goal, number 9 furthest forward.
    ExpectSlot(DATA::playerGroup[9 - 1], -10.1f, 0, 9);
    ExpectSlot(DATA::playerGroup[9 - 9], -2, 0, 1);
    ExpectSlot(DATA::playerGroup[1], -2, -2, 2);
    ExpectSlot(DATA::playerGroup[5], -7.5f, 1.5f, 6);
    ExpectSlot(DATA::attackGroup[0], -2, 2.5f, 1);
    ExpectSlot(DATA::attackGroup[1], -2, -2.5f, 2);
    ExpectSlot(DATA::defenseGroup[0], -5.5f, 2, 3);
    ExpectSlot(DATA::defenseGroup[5], -7.5f, -1.5f, 8);
    ExpectSlot(DATA::defenseGroup[6], -10.1f, 0, 9);

    // Filling again restores rows that play rewrote.
    DATA::playerGroup[3].location.x = 4;
    DATA::playerGroup[3].num = 7;
    DATA::SetPlayerLocation();
    ExpectSlot(DATA::playerGroup[3], -5.5f, 0, 4);
}

// The rolling distance by its defining sum: the undecayed speed for the first step, then the
// decayed speeds from the second step on up to and including the first one at or below 0.02.
double RollingDistance(double speed) {
    const double dt = 0.02, k = 0.0277 / 0.026;
    double distance = speed * dt;
    for (int i = 2;; ++i) {
        if (speed * std::exp(-k * (i - 1) * dt) <= 0.02) break;  // step i-1 was the last
        distance += speed * std::exp(-k * i * dt) * dt;
    }
    return distance;
}

TEST(BallRolling, DistanceBeforeTheBallStops) {
    EXPECT_EQ(CalBallLocationFromVel(0), 0);
    // 0.02 m/s has decayed below the threshold after one step: a single undecayed step.
    EXPECT_NEAR(CalBallLocationFromVel(0.02f), 0.0004f, 1e-9f);
    for (float v : {0.05f, 0.5f, 2.0f, 6.0f})
        EXPECT_NEAR(CalBallLocationFromVel(v), RollingDistance(v), 2e-4 * v) << v;
    EXPECT_EQ(CalBallLocationFromVel(-2), -CalBallLocationFromVel(2));
    EXPECT_EQ(CalBallLocationFromVel(-0.3f), -CalBallLocationFromVel(0.3f));
    EXPECT_GT(CalBallLocationFromVel(3), CalBallLocationFromVel(2));
    // A non-finite speed gives no travel instead of never stopping.
    EXPECT_EQ(CalBallLocationFromVel(INFINITY), 0);
}

}  // namespace
