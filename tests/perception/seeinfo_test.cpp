// Vision and hearing: polar conversion, landmarks, ball, seen robots, head-sweep sightings and
// team messages.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "behavior/naobehavior.h"
#include "body/player.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "world/data.h"
#include "world/worldmodel.h"

namespace {

const double kDegToRad = 3.14159265358979 / 180.0;

void ExpectFlag(const FlagLocation& f, double x, double y, double z, double tol = 1e-5) {
    EXPECT_NEAR(f.x, x, tol);
    EXPECT_NEAR(f.y, y, tol);
    EXPECT_NEAR(f.z, z, tol);
}

class SeeInfoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MyTime::totalTime = 20.0f;
        DATA::Unum = "1";
        DATA::TeamSide = "left";
        NaoBehavior::mState = S_NON;
        Player::sphereAngleBallToHead1 = 0;
    }
    void TearDown() override {
        MyTime::totalTime = -1;
        DATA::TeamSide = "uninit";
        NaoBehavior::mState = S_NON;
    }

    void Read(const std::string& msg) { parser.PareseMsg(msg, player, world); }

    Player player{"1"};
    WorldModel world;
    MsgParse parser;
};

TEST(Pol2RAngleTest, AxesAndSignsOfThePolarConversion) {
    ExpectFlag(Pol2RAngle(FlagLocation(2, 0, 0)), 2, 0, 0);
    ExpectFlag(Pol2RAngle(FlagLocation(3, 90, 0)), 0, 3, 0);
    ExpectFlag(Pol2RAngle(FlagLocation(3, -90, 0)), 0, -3, 0);
    ExpectFlag(Pol2RAngle(FlagLocation(3, 0, 90)), 0, 0, 3);
    ExpectFlag(Pol2RAngle(FlagLocation(3, 40, -90)), 0, 0, -3);
    ExpectFlag(Pol2RAngle(FlagLocation(2, -180, 30)), -2 * std::cos(30 * kDegToRad), 0, 1);
    const double d = 4, h = 30, v = -20;
    ExpectFlag(Pol2RAngle(FlagLocation(d, h, v)),
               d * std::cos(v * kDegToRad) * std::cos(h * kDegToRad),
               d * std::cos(v * kDegToRad) * std::sin(h * kDegToRad), d * std::sin(v * kDegToRad));
    ExpectFlag(Pol2RAngle(FlagLocation(5, -135, 10)),
               5 * std::cos(10 * kDegToRad) * std::cos(-135 * kDegToRad),
               5 * std::cos(10 * kDegToRad) * std::sin(-135 * kDegToRad),
               5 * std::sin(10 * kDegToRad));
}

TEST(GetNormalizedAngleTest, BringsAnglesIntoOneTurn) {
    EXPECT_DOUBLE_EQ(GetNormalizedAngle(190), -170);
    EXPECT_DOUBLE_EQ(GetNormalizedAngle(-540), -180);
    EXPECT_DOUBLE_EQ(GetNormalizedAngle(180), 180);
    EXPECT_DOUBLE_EQ(GetNormalizedAngle(-181), 179);
    EXPECT_DOUBLE_EQ(GetNormalizedAngle(720.5), 0.5);
    EXPECT_NEAR(GetNormalizedAngle(1e9 + 10), std::fmod(1e9 + 10, 360.0) - 360, 1e-6);
}

TEST_F(SeeInfoTest, LandmarkIsStoredCartesianAndPolarWithTheTime) {
    Read("(See (F1L (pol 2 0 0)) (L (pol 1 2 3) (pol 4 5 6)))");
    ASSERT_EQ(world.mFlagMap.size(), 1u);  // lines are not stored
    const FRPFlagLocation& seen = world.mFlagMap["F1L"];
    ExpectFlag(seen.c, 2, 0, 0);
    ExpectFlag(seen.f, 2, 0, 0);
    EXPECT_FLOAT_EQ(seen.time, 20.0f);
    EXPECT_EQ(player.minDistanceName, "F1L");
}

TEST_F(SeeInfoTest, NearestLandmarkWinsAndTheFirstOfEqualDistances) {
    Read("(See (G1L (pol 4 10 0)) (F1L (pol 3 0 0)) (F2L (pol 3 5 0)) (G2R (pol 3.5 0 0)))");
    EXPECT_EQ(player.minDistanceName, "F1L");
    EXPECT_EQ(world.mFlagMap.size(), 4u);
    Read("(See (F2R (pol 9 0 0)) (G2L (pol 8.99 0 0)))");
    EXPECT_EQ(player.minDistanceName, "G2L");
    EXPECT_EQ(world.mFlagMap.size(), 2u);  // the earlier landmarks are gone
}

TEST_F(SeeInfoTest, BallOnlyVisionClearsLandmarksAndRecordsTheBall) {
    Read("(See (F1L (pol 2 0 0)))");
    Read("(time (now 20.5))(HJ (n hj1) (ax 20))(HJ (n hj2) (ax -10))(See (B (pol 1 -30 0)))");
    EXPECT_TRUE(world.mFlagMap.empty());
    EXPECT_EQ(player.minDistanceName, "");
    const WorldModel::BallLocation& ball = world.ballLocatoin;
    ExpectFlag(ball.ballLocatoinToHead, std::cos(30 * kDegToRad), -0.5, 0);
    EXPECT_FLOAT_EQ(ball.time, 20.5f);
    EXPECT_FLOAT_EQ(ball.angleHead1, 20.0f);
    EXPECT_FLOAT_EQ(ball.angleHead2, -10.0f);
    EXPECT_FLOAT_EQ(player.sphereAngleBallToHead, -30.0f);
    EXPECT_FLOAT_EQ(Player::sphereAngleBallToHead1, -30.0f);
}

TEST_F(SeeInfoTest, VisionWithoutObjectsChangesNothing) {
    Read("(See (F1L (pol 2 0 0)))");
    MyTime::totalTime = 21.0f;
    Read("(See)");
    ASSERT_EQ(world.mFlagMap.size(), 1u);
    EXPECT_FLOAT_EQ(world.mFlagMap["F1L"].time, 20.0f);
    EXPECT_EQ(player.minDistanceName, "F1L");
}

TEST_F(SeeInfoTest, RobotSeenWithOnlyItsHeadReplacesTheOlderRecord) {
    Read("(See (P (team Opp) (id 4) (head (pol 2 0 0)) (lfoot (pol 1 0 -90))))");
    EXPECT_FLOAT_EQ(world.mOppositePlayMap["4"].lfootTime, 20.0f);
    MyTime::totalTime = 20.5f;
    Read("(See (P (team Opp) (id 4) (head (pol 3 90 0))))");
    const PlayerSeeInfoFlagLocation& seen = world.mOppositePlayMap["4"];
    ExpectFlag(seen.head, 0, 3, 0);
    EXPECT_FLOAT_EQ(seen.headTime, 20.5f);
    EXPECT_FLOAT_EQ(seen.changeTime, 20.5f);
    ExpectFlag(seen.lfoot, 0, 0, 0);
    EXPECT_EQ(seen.lfootTime, 0.0f);
    EXPECT_EQ(seen.rfootTime + seen.llowerarmTime + seen.rlowerarmTime, 0.0f);
    EXPECT_TRUE(world.mFriendPlayMap.empty());
}

TEST_F(SeeInfoTest, BodyPartsAndTeamsGoToTheirOwnPlaces) {
    Read(
        "(See (P (team Marrowfinch) (id 2) (rlowerarm (pol 1 0 0)) (llowerarm (pol 2 0 0))"
        " (rfoot (pol 3 0 0)) (lfoot (pol 4 0 0)))"
        " (P (team Marrowfinch) (id 1) (head (pol 0.5 0 0))))");
    const PlayerSeeInfoFlagLocation& mate = world.mFriendPlayMap["2"];
    EXPECT_FLOAT_EQ(mate.rlowerarm.x, 1.0f);
    EXPECT_FLOAT_EQ(mate.llowerarm.x, 2.0f);
    EXPECT_FLOAT_EQ(mate.rfoot.x, 3.0f);
    EXPECT_FLOAT_EQ(mate.lfoot.x, 4.0f);
    EXPECT_FLOAT_EQ(mate.rlowerarmTime, 20.0f);
    EXPECT_EQ(mate.headTime, 0.0f);
    EXPECT_FLOAT_EQ(player.mySeeInfoSelf.head.x, 0.5f);  // own team and own number
    EXPECT_TRUE(world.mOppositePlayMap.empty());
    EXPECT_EQ(world.mFriendPlayMap.count("1"), 0u);
    EXPECT_TRUE(world.mFlagMap.empty());  // robots are not landmarks
}

TEST_F(SeeInfoTest, HeadSweepSightingsAreRecordedOnlyWhileSweeping) {
    Read("(HJ (n hj1) (ax 45))(HJ (n hj2) (ax -5))(See (F1R (pol 5 0 0)))");
    EXPECT_TRUE(world.mFFlagMap.empty());

    NaoBehavior::mState = S_HeadRotate;
    Read("(See (F1R (pol 5 0 0)) (B (pol 1 0 0)))");
    ASSERT_EQ(world.mFFlagMap.size(), 1u);  // the ball is not a landmark
    GYRCalFlagLocation swept = world.mFFlagMap["F1R"];
    ExpectFlag(swept.c, 5, 0, 0);
    ExpectFlag(swept.o, 5, 0, 0);
    EXPECT_FLOAT_EQ(swept.time, 20.0f);
    EXPECT_FLOAT_EQ(swept.angleHead1, 45.0f);
    EXPECT_FLOAT_EQ(swept.angleHead2, -5.0f);

    // While the gyro reports a turn of 0.01 degrees or more about any axis the cartesian
    // position is not refreshed, but the rest of the record is.
    NaoBehavior::mState = S_GYRRotateHead;
    MyTime::totalTime = 20.02f;
    player.GYRAngle = FlagLocation(0, 0.02f, 0);
    Read("(See (F1R (pol 6 90 0)))");
    swept = world.mFFlagMap["F1R"];
    ExpectFlag(swept.c, 5, 0, 0);
    ExpectFlag(swept.o, 6, 90, 0);
    EXPECT_FLOAT_EQ(swept.time, 20.02f);

    // The comparison is signed: any negative rate passes.
    player.GYRAngle = FlagLocation(-3, -1, -0.5f);
    Read("(See (F1R (pol 6 90 0)))");
    ExpectFlag(world.mFFlagMap["F1R"].c, 0, 6, 0);

    // Sightings stay after the sweep; later vision does not clear them.
    NaoBehavior::mState = S_Step;
    Read("(See (F2R (pol 7 0 0)))");
    EXPECT_EQ(world.mFFlagMap.count("F1R"), 1u);
    EXPECT_EQ(world.mFFlagMap.count("F2R"), 0u);
}

TEST_F(SeeInfoTest, HearingAcceptsATeamMatesPosition) {
    Read("(hear 12.30 -30.5 k4q3-1.5y2)");
    ASSERT_EQ(world.mFriendPlayHeadMap.count("3"), 1u);
    ExpectFlag(world.mFriendPlayHeadMap["3"].head, -1.5, 2, 0);
    EXPECT_FLOAT_EQ(world.mFriendPlayHeadMap["3"].time, 20.0f);

    DATA::Unum = "3";
    MyTime::totalTime = 21.0f;
    Read("(hear 13.00 self k4q30y0)");
    EXPECT_FLOAT_EQ(world.mFriendPlayHeadMap["3"].time, 20.0f);  // own message ignored
}

TEST_F(SeeInfoTest, HearingIgnoresMessagesWithoutAValidKeyOrSender) {
    Read("(hear 1.0 10 x4q2-1y1)");
    Read("(hear 1.0 10 k4q0-1y1)(hear 1.0 10 k4qa-1y1)(hear 1.0 10 k4q5-1)");
    Read("(k4q6-1y1)(hk4q7-1y1)");  // key at position 0 and 1 of the group
    EXPECT_TRUE(world.mFriendPlayHeadMap.empty());

    Read("(hek4q8-1y1)");  // position 2 is the first allowed
    EXPECT_EQ(world.mFriendPlayHeadMap.count("8"), 1u);

    // Position 199 is the last allowed, 200 too late.
    const std::string pad199 = "hear " + std::string(194, 'x');
    Read("(" + pad199 + "k4q4-2y3)");
    EXPECT_EQ(world.mFriendPlayHeadMap.count("4"), 1u);
    Read("(" + pad199 + "xk4q5-2y3)");
    EXPECT_EQ(world.mFriendPlayHeadMap.count("5"), 0u);
}

}  // namespace
