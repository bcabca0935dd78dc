// Self-localisation: camera, torso, ball, guard point, corner-flag heading.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "behavior/naobehavior.h"
#include "body/player.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "world/data.h"

namespace {

void ExpectFlag(const FlagLocation& f, double x, double y, double z, double tol = 1e-4) {
    EXPECT_NEAR(f.x, x, tol);
    EXPECT_NEAR(f.y, y, tol);
    EXPECT_NEAR(f.z, z, tol);
}

class PlayerLocationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MyTime::totalTime = 10.0f;
        DATA::TeamSide = "left";
        NaoBehavior::mState = S_NON;
        player.LeftFRP = player.RightFRP = {{0, 0, 0}, {0, 0, 20}, 10.0f};  // standing still
    }
    void TearDown() override {
        MyTime::totalTime = -1;
        DATA::TeamSide = "uninit";
    }
    Matrix3 Rz(float deg) { return ops.GetRotateZ(deg); }

    OperateMatrix ops;
    Player player{"1"};
    WorldModel world;
};

TEST_F(PlayerLocationTest, CameraIsPlacedFromTheNearestLandmarkSeenNow) {
    player.minDistanceName = "F1R";
    world.mFlagMap["F1R"] = {{3, 2, -0.5f}, {}, 10.0f};
    FlagLocation& head = player.headLocation;
    player.CaculateHead_Location(Rz(0), world, head.x, head.y, head.z);
    ExpectFlag(head, 7.5, 5, 0.5);
    // A camera turned a quarter to the left sees the flag's (3, 2) as (-2, 3) in the field.
    player.CaculateHead_Location(Rz(90), world, head.x, head.y, head.z);
    ExpectFlag(head, 12.5, 4, 0.5);
    world.mFlagMap["F1R"].time = 9.99f;  // not seen now: the camera stays
    player.CaculateHead_Location(Rz(0), world, head.x, head.y, head.z);
    ExpectFlag(head, 12.5, 4, 0.5);
}

TEST_F(PlayerLocationTest, OneCycleOfParsingAndAnalysisPlacesTorsoFeetAndBall) {
    MsgParse parser;
    parser.PareseMsg(
        "(time (now 10.00))(HJ (n hj1) (ax 90))(See (F1R (pol 2 0 0)) (B (pol 1 0 0)))", player,
        world);
    player.DataAnalyse(world);
    // Looking along +y, the flag at (10.5, 7) is 2 m ahead; the camera is 0.155 above the torso.
    ExpectFlag(player.headLocation, 10.5, 5, 0);
    ExpectFlag(player.torseLocation, 10.5, 5, -0.155);
    ExpectFlag(world.ballLocatoin.ballLocatoin, 10.5, 6, 0);
    ExpectFlag(player.LFootHeadLocation, 10.5 + 0.105, 5 + 0.055, -0.155 - 0.37);
}

TEST_F(PlayerLocationTest, BallVelocityIsUpdatedOnlyAfterMoreThanFiftyMilliseconds) {
    ops.SetMatrix(Rz(0), 0, 0, 0.5f, player.TMatrix_HeadToWorld.Get());
    WorldModel::BallLocation& ball = world.ballLocatoin;
    // {time, ball seen at x, y from the camera}
    const float sightings[][3] = {{10.0f, 1, 0}, {10.04f, 1.02f, 0}, {10.06f, 1.03f, -0.06f}};
    for (const auto& s : sightings) {
        MyTime::totalTime = ball.time = s[0];
        ball.ballLocatoinToHead = FlagLocation(s[1], s[2], 0);
        player.DataAnalyse(world);
        if (s[0] == 10.04f) ExpectFlag(ball.ballLocationPre, 1, 0, 0.5);  // 0.04 s: no update
    }
    ExpectFlag(ball.ballVel, 0.5, -1, 0, 1e-3);  // one vision beat later: divided by 0.06 s
    EXPECT_NEAR(ball.ballPredictLocation.y, CalBallLocationFromVel(-1) - 0.06f, 1e-3);
    ExpectFlag(ball.ballLocationPre, 1.03, -0.06, 0.5);
}

TEST_F(PlayerLocationTest, BallVelocityOfASightingAfterAGapIsDividedByTheGap) {
    ops.SetMatrix(Rz(0), 0, 0, 0.5f, player.TMatrix_HeadToWorld.Get());
    WorldModel::BallLocation& ball = world.ballLocatoin;
    // {seconds out of sight, expected x velocity} for a ball 0.03 m farther on: a missed
    // beat, and a still ball seen again after seconds (as fast as a shot if divided by 0.06).
    const float gaps[][2] = {{0.12f, 0.25f}, {3.0f, 0.01f}};
    for (const auto& g : gaps) {
        SCOPED_TRACE(g[0]);
        world = WorldModel();
        ball.time = 20.0f;
        ball.ballLocatoinToHead = FlagLocation(1, 0, 0);
        player.DataAnalyse(world);
        ball.time = 20.0f + g[0];
        ball.ballLocatoinToHead = FlagLocation(1.03f, 0, 0);
        player.DataAnalyse(world);
        EXPECT_NEAR(ball.ballVel.x, g[1], 1e-3);
        EXPECT_NEAR(ball.ballVel.y, 0, 1e-6);
    }
}

TEST_F(PlayerLocationTest, GuardPointLiesShortOfTheBallOnTheLineFromTheOwnGoal) {
    player.torseLocation = FlagLocation(-3, 0, 0.3f);
    player.CaculateBallToPart(world);  // ball at the centre spot
    ExpectFlag(player.ProtectedLocation, -1.5, 0, 0);
    world.ballLocatoin.ballLocatoin = FlagLocation(2, 3, 0);
    player.CaculateBallToPart(world);
    ExpectFlag(player.KickBallLocation, 0.54142, 2.64994, 0);
    // A ball exactly on the own goal centre gives no direction: the last guard point stays.
    world.ballLocatoin.ballLocatoin = FlagLocation(-10.5f, 0, 0);
    player.CaculateBallToPart(world);
    ExpectFlag(player.KickBallLocation, 0.54142, 2.64994, 0);
}

// Corner flags as swept, torso-oriented, by a robot at (x, y) with the heading in degrees.
WorldModel SweepCorners(float x, float y, float heading) {
    WorldModel wm;
    const TFlagMap& table =
        DATA::TeamSide == "left" ? wm.mLeftFlagOriginMap : wm.mRightFlagOriginMap;
    const double c = std::cos(heading * M_PI / 180), s = std::sin(heading * M_PI / 180);
    for (const char* name : {"F1L", "F2L", "F1R", "F2R"}) {
        const double dx = table.at(name).x - x, dy = table.at(name).y - y;
        wm.mFFlagMap[name].f = FlagLocation(c * dx + s * dy, -s * dx + c * dy, -0.5f);
    }
    return wm;
}

TEST_F(PlayerLocationTest, CornerFlagsGiveTheHeadingFromEveryAnchor) {
    // {side, x, y, heading}: each anchor flag once, both sides.
    const std::tuple<const char*, float, float, float> cases[] = {{"left", -5.858f, 5.142f, 30},
                                                                  {"left", 7, -6, 179},
                                                                  {"right", -8, -4, 45},
                                                                  {"right", 8, 4, 10}};
    for (const auto& [side, x, y, heading] : cases) {
        SCOPED_TRACE(std::string(side) + " " + std::to_string(heading));
        DATA::TeamSide = side;
        player.RGYRMatrix_Torse.Overwrite(Rz(0));
        GetLocationWithoutGYR(SweepCorners(x, y, heading), player);
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(player.RGYRMatrix_Torse[i / 3][i % 3], Rz(heading)[i / 3][i % 3], 1e-3);
    }
}

}  // namespace
