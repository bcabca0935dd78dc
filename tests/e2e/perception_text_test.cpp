// pitchsim's perception text as our agent's parser reads it: the game state with the scores,
// field lines among the objects in view, and hearing with the speaker's team.

#include <gtest/gtest.h>

#include <string>

#include "behavior/naobehavior.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "sim/server/perception.h"
#include "world/data.h"

namespace {

HeardMessage Heard(const std::string& team, bool self, double direction, const std::string& text) {
    HeardMessage h;
    h.team = team;
    h.time = 61.18;
    h.self = self;
    h.direction = direction;
    h.text = text;
    return h;
}

TEST(PerceptionText, TheAgentReadsGameStateVisionWithLinesAndTeamNamedHearing) {
    DATA::Unum = "1";
    DATA::TeamSide = "uninit";
    NaoBehavior::mState = S_NON;
    RobotPerception p;
    p.time = 63.5;
    p.identified = true;
    p.unum = 3;
    p.leftSide = false;
    p.gameTime = 61.2;
    p.playMode = "KickIn_Left";
    p.scoreLeft = 2;
    p.scoreRight = 1;
    p.visionCycle = true;
    p.objects = {{"F1R", {3, 10, -5}}, {"G1R", {4, -20, 2}}, {"B", {1.5, 30, -20}}};
    SeenRobot mate, opponent;
    mate.team = DATA::TeamName;
    mate.unum = 4;
    mate.parts = {{"head", {2, 0, 0}}};
    opponent.team = "Other";
    opponent.unum = 7;
    opponent.parts = {{"lfoot", {2.5, 5, -10}}};
    p.robots = {mate, opponent};
    // Lines nearer than any landmark, and one straight ahead at a landmark's distance.
    p.lines = {{{0.8, -50, -30}, {1.0, 50, -30}}, {{3, 0, 0}, {2.9, 1, 0}}};
    p.heard = {Heard(DATA::TeamName, false, -35, DATA::hearMsgKey + "5-1.5y2"),
               Heard(DATA::TeamName, true, 0, DATA::hearMsgKey + "30y0"),
               Heard("Other", false, 20, "zq95y1"), Heard("Other", false, 20, "x9x6.5y1.5")};

    Player player{"1"};
    WorldModel world;  // starts in BeforeKickOff: number and side are read
    MsgParse parser;
    parser.PareseMsg(WritePerception(p), player, world);

    EXPECT_FLOAT_EQ(63.5f, MyTime::totalTime);
    EXPECT_EQ("3", DATA::Unum);
    EXPECT_EQ("right", DATA::TeamSide);
    EXPECT_FLOAT_EQ(61.2f, world.mTime);
    EXPECT_EQ("KickIn_Left", world.sMatchState);
    // Lines are neither landmarks nor the nearest one.
    EXPECT_EQ(2u, world.mFlagMap.size());
    EXPECT_TRUE(world.mFlagMap.count("F1R") && world.mFlagMap.count("G1R"));
    EXPECT_EQ("F1R", player.minDistanceName);
    EXPECT_FLOAT_EQ(30.0f, player.sphereAngleBallToHead);
    EXPECT_EQ(1u, world.mFriendPlayMap.count("4"));
    EXPECT_EQ(1u, world.mOppositePlayMap.count("7"));
    // The mate's spoken position is filed, its own message and the other team's are not.
    ASSERT_EQ(1u, world.mFriendPlayHeadMap.size());
    const headFlagLocation& five = world.mFriendPlayHeadMap["5"];
    EXPECT_FLOAT_EQ(-1.5f, five.head.x);
    EXPECT_FLOAT_EQ(2.0f, five.head.y);
    EXPECT_FLOAT_EQ(63.5f, five.time);
}

}  // namespace
