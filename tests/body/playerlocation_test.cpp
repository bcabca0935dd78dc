// Self-localisation and relative positions: camera and torso on the field, ball velocity,
// guard point, bearings, other robots and the corner-flag heading reset.

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

const double kRadToDeg = 180.0 / 3.14159265358979;

void ExpectFlag(const FlagLocation& f, double x, double y, double z, double tol = 1e-4) {
    EXPECT_NEAR(f.x, x, tol);
    EXPECT_NEAR(f.y, y, tol);
    EXPECT_NEAR(f.z, z, tol);
}

Matrix3 Identity3() {
    Matrix3 m{};
    for (int i = 0; i < 3; ++i) m[i][i] = 1;
    return m;
}

Matrix4 Pose(const Matrix3& r, float x, float y, float z) {
    Matrix4 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = r[i][j];
    m[0][3] = x;
    m[1][3] = y;
    m[2][3] = z;
    m[3][3] = 1;
    return m;
}

class PlayerLocationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MyTime::totalTime = 10.0f;
        DATA::TeamSide = "left";
        DATA::Unum = "1";
        NaoBehavior::mState = S_NON;
    }
    void TearDown() override {
        MyTime::totalTime = -1;
        DATA::TeamSide = "uninit";
    }

    Matrix3 Rz(float deg) { return ops.GetRotateZ(deg); }

    // Both feet report now, flat and centred: the robot stands stable.
    void StandStill() {
        for (FRPFlagLocation* foot : {&player.LeftFRP, &player.RightFRP}) {
            foot->c = FlagLocation(0, 0, 0);
            foot->f = FlagLocation(0, 0, 20);
            foot->time = MyTime::totalTime;
        }
    }

    OperateMatrix ops;
    Player player{"1"};
    WorldModel world;
};

TEST_F(PlayerLocationTest, CameraIsPlacedFromTheNearestLandmark) {
    player.minDistanceName = "F1R";
    world.mFlagMap["F1R"].c = FlagLocation(3, 2, -0.5f);
    world.mFlagMap["F1R"].time = 10.0f;
    FlagLocation& head = player.headLocation;

    player.CaculateHead_Location(Identity3(), world, head.x, head.y, head.z);
    ExpectFlag(head, 7.5, 5, 0.5);
    EXPECT_FLOAT_EQ(player.TMatrix_HeadToWorld[0][3], 7.5f);
    EXPECT_FLOAT_EQ(player.TMatrix_HeadToWorld[2][3], 0.5f);
    EXPECT_FLOAT_EQ(player.TMatrix_HeadToWorld[0][0], 1.0f);

    // A camera turned a quarter to the left sees the flag's (3, 2) as (-2, 3) in the field.
    player.CaculateHead_Location(Rz(90), world, head.x, head.y, head.z);
    ExpectFlag(head, 12.5, 4, 0.5);
    EXPECT_NEAR(player.TMatrix_HeadToWorld[1][0], 1.0f, 1e-6);

    // Until the server tells the side, the right-side table holds: F1R lies at (-10.5, -7).
    DATA::TeamSide = "uninit";
    player.CaculateHead_Location(Identity3(), world, head.x, head.y, head.z);
    ExpectFlag(head, -13.5, -9, 0.5);
}

TEST_F(PlayerLocationTest, StaleLandmarkLeavesTheCameraPoseAlone) {
    player.minDistanceName = "F1R";
    world.mFlagMap["F1R"].c = FlagLocation(3, 2, -0.5f);
    world.mFlagMap["F1R"].time = 9.99f;
    player.headLocation = FlagLocation(1, 2, 3);
    player.TMatrix_HeadToWorld.Overwrite(Pose(Rz(30), 1, 2, 3));
    FlagLocation& head = player.headLocation;
    player.CaculateHead_Location(Identity3(), world, head.x, head.y, head.z);
    ExpectFlag(head, 1, 2, 3);
    EXPECT_NEAR(player.TMatrix_HeadToWorld[1][0], 0.5f, 1e-6);

    world.mFlagMap["F1R"].time = 9.9995f;  // within 0.001: counts as seen now
    player.CaculateHead_Location(Identity3(), world, head.x, head.y, head.z);
    ExpectFlag(head, 7.5, 5, 0.5);
}

TEST_F(PlayerLocationTest, GuardPointLiesShortOfTheBallOnTheLineFromTheOwnGoal) {
    player.torseLocation = FlagLocation(-3, 0, 0.3f);
    world.ballLocatoin.ballLocatoin = FlagLocation(0, 0, 0);
    player.CaculateBallToPart(world);
    ExpectFlag(player.KickBallLocation, -1.5, 0, 0);
    ExpectFlag(player.ProtectedLocation, -1.5, 0, 0);
    EXPECT_NEAR(player.mBallToTorse.angleKick, 0, 1e-4);
    EXPECT_NEAR(player.mBallToTorse.distanceKick, 1.5, 1e-5);

    // Facing +y the same point lies to the right.
    player.RMatrix_Torse.Overwrite(Rz(90));
    player.CaculateBallToPart(world);
    EXPECT_NEAR(player.mBallToTorse.angleKick, -90, 1e-3);
    EXPECT_NEAR(player.angleTorseToGlobal, 90, 1e-3);
    EXPECT_NEAR(player.mTorseToGlobal.angleTorseToGlobal, 90, 1e-3);
    EXPECT_NEAR(player.mBallToTorse.angleTorseVector, 90, 1e-3);

    // Off the axis: 1.5 m from the ball, on the segment towards the own goal centre.
    world.ballLocatoin.ballLocatoin = FlagLocation(2, 3, 0);
    player.CaculateBallToPart(world);
    const FlagLocation g = player.KickBallLocation;
    EXPECT_NEAR(std::hypot(g.x - 2, g.y - 3), 1.5, 1e-4);
    EXPECT_NEAR((g.y - 0) * (2 + 10.5) - (g.x + 10.5) * 3, 0, 1e-3);  // collinear
    EXPECT_LT(g.x, 2);
    EXPECT_EQ(g.z, 0.0f);

    // A ball exactly on the own goal centre gives no direction: the last guard point stays.
    world.ballLocatoin.ballLocatoin = FlagLocation(-10.5f, 0, 0);
    player.CaculateBallToPart(world);
    ExpectFlag(player.KickBallLocation, g.x, g.y, 0, 1e-6);
    ExpectFlag(player.ProtectedLocation, g.x, g.y, 0, 1e-6);
    EXPECT_TRUE(std::isfinite(player.mBallToTorse.angleKick));
    EXPECT_EQ(world.mBallToSelfGoal.distanceBallToGoal, 0.0f);
}

TEST_F(PlayerLocationTest, TorsoAndBallRelationsToBothGoals) {
    player.torseLocation = FlagLocation(7.5f, 3, 0.3f);
    world.ballLocatoin.ballLocatoin = FlagLocation(0, 2, 0);
    world.ballLocatoin.ballLocationToTorse = FlagLocation(3, 4, -0.4f);
    player.CaculateBallToPart(world);

    EXPECT_NEAR(player.mTorseToGoal.angleTorseToGoal, -45, 1e-3);
    EXPECT_NEAR(player.mTorseToGoal.distanceTorseToGoal, std::hypot(3, 3), 1e-5);
    EXPECT_NEAR(player.mBallToTorse.distance, 5, 1e-5);
    EXPECT_NEAR(player.mBallToTorse.angle, std::atan2(4, 3) * kRadToDeg, 1e-3);

    EXPECT_NEAR(world.mBallToGoal.distanceBallToGoal, std::hypot(10.5, 2), 1e-5);
    EXPECT_NEAR(world.mBallToGoal.angleBalltoGoal, std::atan2(-2, 10.5) * kRadToDeg, 1e-3);
    EXPECT_NEAR(world.mBallToGoal.angleBallToUpGoal, std::atan2(1.05 - 2, 10.5) * kRadToDeg, 1e-3);
    EXPECT_NEAR(world.mBallToGoal.angleBallToDownGoal, std::atan2(-1.05 - 2, 10.5) * kRadToDeg,
                1e-3);
    EXPECT_NEAR(world.mBallToSelfGoal.distanceBallToGoal, std::hypot(10.5, 2), 1e-5);
    EXPECT_NEAR(world.mBallToSelfGoal.angleBalltoGoal, std::atan2(-2, -10.5) * kRadToDeg, 1e-3);
}

TEST_F(PlayerLocationTest, FootTipsToBallAndGoal) {
    player.LFootHeadLocation = FlagLocation(0, 0.1f, -0.4f);
    player.RFootHeadLocation = FlagLocation(0, -0.1f, -0.4f);
    player.TMatrix_LFootHead.Overwrite(Pose(Identity3(), 0, 0.1f, -0.4f));
    player.TMatrix_RFootHead.Overwrite(Pose(Rz(45), 0, -0.1f, -0.4f));
    world.ballLocatoin.ballLocatoin = FlagLocation(1, 0.1f, 0);
    player.CaculateFootHeadToBall(world);

    EXPECT_NEAR(player.mTorseToGlobal.angleLeftFootToGlobal, 0, 1e-4);
    EXPECT_NEAR(player.mTorseToGlobal.angleRightFootToGlobal, 45, 1e-3);
    EXPECT_NEAR(player.mBallToTorse.angleLFootHead, 0, 1e-4);
    EXPECT_NEAR(player.mBallToTorse.angleRFootHead, std::atan2(0.2, 1) * kRadToDeg - 45, 1e-3);
    EXPECT_NEAR(player.mBallToTorse.distanceLeftFootHead, 1, 1e-5);
    EXPECT_NEAR(player.mBallToTorse.distanceRightFootHead, std::hypot(1, 0.2), 1e-5);
    EXPECT_NEAR(player.mTorseToGoal.angleLFootToGoal, std::atan2(-0.1, 10.5) * kRadToDeg, 1e-3);
    EXPECT_NEAR(player.mTorseToGoal.angleRFootToGoal, std::atan2(0.1, 10.5) * kRadToDeg, 1e-3);
}

TEST_F(PlayerLocationTest, RandomPointRelativeToTheTorso) {
    player.torseLocation = FlagLocation(1, 1, 0.3f);
    player.RMatrix_Torse.Overwrite(Rz(90));
    player.TMatrix_Torse.Overwrite(Pose(Rz(90), 1, 1, 0.3f));

    float distance = 0, angle = 0;
    player.CaculateTorseToRandomPoint(1, 3, distance, angle);
    EXPECT_NEAR(distance, 2, 1e-5);
    EXPECT_NEAR(angle, 0, 1e-3);
    player.CaculateTorseToRandomPoint(3, 1, distance, angle);
    EXPECT_NEAR(angle, -90, 1e-3);

    float rx = 0, ry = 0;
    player.CaculateTorseToRandomPoint(1, 3, rx, ry, angle);
    EXPECT_NEAR(rx, 2, 1e-5);
    EXPECT_NEAR(ry, 0, 1e-5);
    EXPECT_NEAR(angle, 0, 1e-3);
    player.CaculateTorseToRandomPoint(3, 1, rx, ry, angle);
    EXPECT_NEAR(rx, 0, 1e-5);
    EXPECT_NEAR(ry, -2, 1e-5);
    EXPECT_NEAR(angle, -90, 1e-3);
}

TEST_F(PlayerLocationTest, HeadRotationIsRemovedFromBallAndSweptLandmarks) {
    world.ballLocatoin.ballLocatoinToHead = FlagLocation(1, 0, 0);
    world.ballLocatoin.angleHead1 = 90;
    GYRCalFlagLocation& swept = world.mFFlagMap["F2L"];
    swept.c = FlagLocation(1, 0, 0);
    swept.angleHead2 = 30;
    player.SetHeadFlagToWorldFlag(world);
    ExpectFlag(world.ballLocatoin.ballLocationToTorse, 0, 1, 0, 1e-5);
    ExpectFlag(world.mFFlagMap["F2L"].f, std::cos(30 / kRadToDeg), 0, 0.5, 1e-5);
}

TEST_F(PlayerLocationTest, OtherRobotsInFieldAndTorsoFormWithTheStaleSentinel) {
    player.TMatrix_HeadToWorld.Overwrite(Pose(Identity3(), 1, 2, 0.5f));
    player.mHingeJointSenseMap[Player::JID_HEAD_1].angle = 90;

    PlayerSeeInfoFlagLocation seen;
    seen.head = FlagLocation(2, 0, 0);
    seen.headTime = 10.0f;
    world.mOppositePlayMap["4"] = seen;
    seen.headTime = 9.8f;  // older than 0.1 s
    world.mOppositePlayMap["5"] = seen;
    world.mOppositePlayMap["6"] = seen;
    world.mOppositePlayHeadMap["6"].time = 9.9f;  // already taken over
    seen.head = FlagLocation(1, 0, 0);
    seen.headTime = 10.0f;
    world.mFriendPlayMap["2"] = seen;
    world.mFriendPlayHeadMap["2"].time = 10.5f;  // heard after the sighting
    seen.head = FlagLocation(0, 1, 0);
    world.mFriendPlayMap["3"] = seen;

    player.SetPlayToGlobal(world);

    ExpectFlag(world.mOppositePlayMap["4"].headToGlobal, 3, 2, 0.5);
    ExpectFlag(world.mOppositePlayHeadMap["4"].head, 3, 2, 0.5);
    EXPECT_EQ(world.mOppositePlayHeadMap["4"].time, 0.0f);
    ExpectFlag(world.mOppositePlayHeadToSelfMap["4"].head, 0, 2, 0);
    EXPECT_NEAR(world.mOppositePlayHeadToSelfMap["4"].time, 90, 1e-3);
    ExpectFlag(world.mOppositePlayHeadToSelfMap["5"].head, 65535, 65535, 65535);
    EXPECT_EQ(world.mOppositePlayHeadToSelfMap["5"].time, 0.0f);
    EXPECT_EQ(world.mOppositePlayHeadToSelfMap.count("6"), 0u);

    ExpectFlag(world.mFriendPlayMap["2"].headToGlobal, 0, 0, 0);
    ExpectFlag(world.mSelfPlayHeadToSelfMap["2"].head, 0, 1, 0);
    EXPECT_NEAR(world.mSelfPlayHeadToSelfMap["2"].time, 90, 1e-3);
    ExpectFlag(world.mFriendPlayMap["3"].headToGlobal, 1, 3, 0.5);
    ExpectFlag(world.mSelfPlayHeadToSelfMap["3"].head, -1, 0, 0);
    EXPECT_NEAR(std::fabs(world.mSelfPlayHeadToSelfMap["3"].time), 180, 1e-3);
}

TEST_F(PlayerLocationTest, BallVelocityIsUpdatedOnlyAfterMoreThanFiftyMilliseconds) {
    player.TMatrix_HeadToWorld.Overwrite(Pose(Identity3(), 0, 0, 0.5f));
    WorldModel::BallLocation& ball = world.ballLocatoin;

    ball.time = 10.0f;
    ball.ballLocatoinToHead = FlagLocation(1, 0, 0);
    player.DataAnalyse(world);
    ExpectFlag(ball.ballLocatoin, 1, 0, 0.5);
    ExpectFlag(ball.ballLocationPre, 1, 0, 0.5);
    EXPECT_FLOAT_EQ(ball.time_3, 10.0f);

    MyTime::totalTime = 10.04f;
    ball.time = 10.04f;
    ball.ballLocatoinToHead = FlagLocation(1.02f, 0, 0);
    const FlagLocation velBefore = ball.ballVel;
    player.DataAnalyse(world);
    ExpectFlag(ball.ballLocatoin, 1.02, 0, 0.5);
    ExpectFlag(ball.ballLocationPre, 1, 0, 0.5);
    ExpectFlag(ball.ballVel, velBefore.x, velBefore.y, velBefore.z);
    EXPECT_FLOAT_EQ(ball.time_3, 10.0f);

    MyTime::totalTime = 10.06f;
    ball.time = 10.06f;
    ball.ballLocatoinToHead = FlagLocation(1.03f, -0.06f, 0);
    player.DataAnalyse(world);
    ExpectFlag(ball.ballVel, 0.5, -1, 0, 1e-3);  // always divided by 0.06 s
    EXPECT_NEAR(ball.ballPredictLocation.x, CalBallLocationFromVel(ball.ballVel.x) + 1.03f, 1e-4);
    EXPECT_NEAR(ball.ballPredictLocation.y, CalBallLocationFromVel(ball.ballVel.y) - 0.06f, 1e-4);
    EXPECT_LT(ball.ballPredictLocation.y, -0.06f);
    ExpectFlag(ball.ballLocationPre, 1.03, -0.06, 0.5);
    EXPECT_FLOAT_EQ(ball.time_3, 10.06f);
}

TEST_F(PlayerLocationTest, OneCycleOfParsingAndAnalysisPlacesBodyAndBall) {
    MsgParse parser;
    parser.PareseMsg(
        "(time (now 10.00))(HJ (n hj1) (ax 90))(See (F1R (pol 2 0 0)) (B (pol 1 0 0)))", player,
        world);
    player.DataAnalyse(world);

    EXPECT_EQ(player.myWorldModelTemp.mFlagMap.count("F1R"), 1u);
    // Looking along +y, the flag at (10.5, 7) is 2 m ahead of the camera.
    ExpectFlag(player.headLocation, 10.5, 5, 0);
    ExpectFlag(player.torseLocation, 10.5, 5, -0.155);  // camera 0.155 above the torso origin
    EXPECT_FLOAT_EQ(player.TMatrix_Torse[2][3], player.torseLocation.z);
    ExpectFlag(world.ballLocatoin.ballLocatoin, 10.5, 6, 0);
    ExpectFlag(world.ballLocatoin.ballLocationToTorse, 0, 1, 0);
    EXPECT_NEAR(player.mBallToTorse.angle, 90, 1e-3);
    ExpectFlag(player.LFootHeadLocation, 10.5 + 0.105, 5 + 0.055, -0.155 - 0.37);
    ExpectFlag(player.RFootHeadLocation, 10.5 + 0.105, 5 - 0.055, -0.155 - 0.37);

    // The next message without vision keeps the camera where it was.
    parser.PareseMsg("(time (now 10.02))(HJ (n hj1) (ax 0))", player, world);
    player.DataAnalyse(world);
    ExpectFlag(player.headLocation, 10.5, 5, 0);
    ExpectFlag(player.lastTorseLocation, 10.5, 5, -0.155);
}

// Sightings of the four corner flags, in the torso orientation, for a robot standing at
// (x, y) with the given heading on the given side.
void SweepCorners(WorldModel& wm, float x, float y, float headingDeg) {
    const TFlagMap& table =
        DATA::TeamSide == "left" ? wm.mLeftFlagOriginMap : wm.mRightFlagOriginMap;
    const double c = std::cos(headingDeg / kRadToDeg), s = std::sin(headingDeg / kRadToDeg);
    for (const char* name : {"F1L", "F2L", "F1R", "F2R"}) {
        const FlagLocation mark = table.at(name);
        const double dx = mark.x - x, dy = mark.y - y;
        wm.mFFlagMap[name].f = FlagLocation(c * dx + s * dy, -s * dx + c * dy, -0.5f);
    }
}

struct CornerCase {
    const char* side;
    float x, y, heading;
};

TEST_F(PlayerLocationTest, CornerFlagsGiveTheHeadingFromEveryAnchor) {
    const CornerCase cases[] = {
        {"left", -5.858f, 5.142f, 30},  // the F1L 5 m / F2L 13 m layout
        {"left", -8, -4, -60},          // anchor F2L
        {"left", 8, 5, 120},            // anchor F1R
        {"left", 7, -6, 179},           // anchor F2R
        {"right", -8, -4, 45},          // anchor F1R
        {"right", -8, 4, -135},         // anchor F2R
        {"right", 8, 4, 10},            // anchor F2L
        {"right", 8, -4, -10},          // anchor F1L
    };
    for (const CornerCase& k : cases) {
        SCOPED_TRACE(std::string(k.side) + " " + std::to_string(k.x) + "," + std::to_string(k.y));
        DATA::TeamSide = k.side;
        WorldModel wm;
        SweepCorners(wm, k.x, k.y, k.heading);
        player.RGYRMatrix_Torse.Overwrite(Identity3());
        StandStill();
        GetLocationWithoutGYR(wm, player);
        const Matrix3 expected = Rz(k.heading);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(player.RGYRMatrix_Torse[i][j], expected[i][j], 1e-3);
    }
}

TEST_F(PlayerLocationTest, CornerFlagHeadingResetNeedsAStableUprightRobot) {
    WorldModel wm;
    SweepCorners(wm, -5.858f, 5.142f, 30);
    EXPECT_NEAR(std::hypot(wm.mFFlagMap["F1L"].f.x, wm.mFFlagMap["F1L"].f.y), 5, 1e-3);
    EXPECT_NEAR(std::hypot(wm.mFFlagMap["F2L"].f.x, wm.mFFlagMap["F2L"].f.y), 13, 1e-3);

    StandStill();
    player.RightFRP.time = 9.98f;  // feet reported at different times
    GetLocationWithoutGYR(wm, player);
    EXPECT_FLOAT_EQ(player.RGYRMatrix_Torse[0][0], 1.0f);

    StandStill();
    wm.mFFlagMap["F1L"].f.z = -0.3f;  // the anchor is not well below the camera
    GetLocationWithoutGYR(wm, player);
    EXPECT_FLOAT_EQ(player.RGYRMatrix_Torse[0][0], 1.0f);
    wm.mFFlagMap["F1L"].f.z = -0.5f;
    GetLocationWithoutGYR(wm, player);
    EXPECT_NEAR(player.RGYRMatrix_Torse[1][0], 0.5f, 1e-3);
}

TEST_F(PlayerLocationTest, UnusableCornerFlagPairsLeaveTheOrientation) {
    StandStill();
    WorldModel wm;
    wm.mFFlagMap["F1L"].f = FlagLocation(1, 0, -0.5f);  // sum 2.5 < 3 m
    wm.mFFlagMap["F2L"].f = FlagLocation(0, 1.5f, -0.5f);
    GetLocationWithoutGYR(wm, player);
    EXPECT_FLOAT_EQ(player.RGYRMatrix_Torse[0][0], 1.0f);
    wm.mFFlagMap["F1R"].f = FlagLocation(0.05f, 0, -0.5f);  // below 0.1 m
    wm.mFFlagMap["F2R"].f = FlagLocation(9, 0, -0.5f);
    GetLocationWithoutGYR(wm, player);
    EXPECT_FLOAT_EQ(player.RGYRMatrix_Torse[0][0], 1.0f);

    // Distances that cannot both hold on a 14 m goal line still give a finite heading.
    wm.mFFlagMap["F1L"].f = FlagLocation(3, 0, -0.5f);
    wm.mFFlagMap["F2L"].f = FlagLocation(0, 3, -0.5f);
    GetLocationWithoutGYR(wm, player);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_TRUE(std::isfinite(player.RGYRMatrix_Torse[i][j]));
}

}  // namespace
